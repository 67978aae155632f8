// Shared helpers of the upflash tests: captured console streams, a clean module state, and a
// generator of firmware image headers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace upftest {

// Points the console layer at temporary files for the lifetime of the object; the input
// stream reads the given text and then reaches its end.
class ConsoleCapture {
public:
    explicit ConsoleCapture(const std::string& input = "");
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    std::string out() const;
    std::string err() const;
    // What is left unread of the input.
    std::string unreadInput() const;

private:
    FILE* out_;
    FILE* err_;
    FILE* in_;
};

// Every module of the updater back in its start-up state (also the update-package modes).
void resetModules();

// The fields of an image header; the generator writes them at their offsets and, unless told
// otherwise, a correct CRC (computed with zlib, not with the code under test).
struct ImageFields {
    uint8_t headerVersion = 1;
    uint8_t imageType = 1;
    uint8_t partitionCount = 3;
    uint8_t reserved = 0;
    uint8_t major = 1;
    uint8_t minor = 40;
    uint16_t revision = 12;
    uint32_t imageLength = 0x00100000;
    uint8_t bootloader1[4] = {1, 2, 3, 0};
    uint8_t bootloader2[4] = {2, 0, 0x1A, 0};
    std::string boardType = "MRKA";
    uint32_t reservedWord = 0;
    std::vector<uint32_t> partitionSizes; // empty: every counted partition gets a size
    bool correctCrc = true;
};

std::vector<uint8_t> makeHeader(const ImageFields& fields);
// A whole image file: the header, then filler up to totalSize bytes (which may cut the header).
std::string makeImageFile(const ImageFields& fields, size_t totalSize);

// Builds an argv for calls that take (argc, argv); element 0 is the program name.
class Argv {
public:
    explicit Argv(const std::vector<std::string>& args);
    int argc() const { return static_cast<int>(ptrs_.size()) - 1; }
    char** argv() { return ptrs_.data(); }

private:
    std::vector<std::string> strings_;
    std::vector<char*> ptrs_;
};

} // namespace upftest
