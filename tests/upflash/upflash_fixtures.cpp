#include "upflash_fixtures.h"

#include "cli/config_file.h"
#include "cli/console.h"
#include "cli/logger.h"
#include "cli/options.h"
#include "image/devices.h"
#include "report/update_package.h"
#include "update/fw_update_param.h"

#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace upftest {

namespace {

FILE* makeTemp() {
    FILE* f = std::tmpfile();
    if (!f) throw std::runtime_error("tmpfile failed");
    return f;
}

std::string readFrom(FILE* f, off_t from) {
    std::fflush(f);
    std::string data;
    char buf[4096];
    for (;;) {
        ssize_t n = pread(fileno(f), buf, sizeof buf, from + static_cast<off_t>(data.size()));
        if (n <= 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    return data;
}

void putLE32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

ConsoleCapture::ConsoleCapture(const std::string& input)
    : out_(makeTemp()), err_(makeTemp()), in_(makeTemp()) {
    std::fwrite(input.data(), 1, input.size(), in_);
    std::rewind(in_);
    console_set_streams(out_, err_, in_);
}

ConsoleCapture::~ConsoleCapture() {
    console_set_streams(nullptr, nullptr, nullptr);
    std::fclose(out_);
    std::fclose(err_);
    std::fclose(in_);
}

std::string ConsoleCapture::out() const { return readFrom(out_, 0); }
std::string ConsoleCapture::err() const { return readFrom(err_, 0); }

std::string ConsoleCapture::unreadInput() const {
    std::string rest;
    int c;
    while ((c = std::fgetc(in_)) != EOF) rest.push_back(static_cast<char>(c));
    return rest;
}

void resetModules() {
    print_constructor();
    options_constructor();
    fw_update_constructor();
    image_constructor();
    initial_config();
    Logger::LogLevel(0);
    if (CKestrelUpdatePackage* kup = CKestrelUpdatePackage::Instance())
        kup->Reset();
}

std::vector<uint8_t> makeHeader(const ImageFields& s) {
    std::vector<uint8_t> b(512, 0);
    b[4] = s.headerVersion;
    b[5] = s.imageType;
    b[6] = s.partitionCount;
    b[7] = s.reserved;
    b[8] = s.major;
    b[9] = s.minor;
    b[10] = static_cast<uint8_t>(s.revision & 0xFF);
    b[11] = static_cast<uint8_t>(s.revision >> 8);
    putLE32(b, 12, s.imageLength);
    for (int i = 0; i < 4; ++i) {
        b[16 + i] = s.bootloader1[i];
        b[20 + i] = s.bootloader2[i];
        b[24 + i] = i < static_cast<int>(s.boardType.size()) ? static_cast<uint8_t>(s.boardType[i]) : 0;
    }
    putLE32(b, 28, s.reservedWord);
    for (int i = 0; i < s.partitionCount && 32 + 12 * i + 12 <= 512; ++i) {
        uint32_t size = i < static_cast<int>(s.partitionSizes.size()) ? s.partitionSizes[i]
                                                                     : 0x10000u * (i + 1);
        putLE32(b, 32 + 12 * i, 0x1000u * i);   // not interpreted
        putLE32(b, 36 + 12 * i, size);
        putLE32(b, 40 + 12 * i, 0xA5A5A5A5u);   // not interpreted
    }
    uint32_t crc = static_cast<uint32_t>(crc32(0L, b.data() + 4, 508));
    putLE32(b, 0, s.correctCrc ? crc : crc ^ 0x1u);
    return b;
}

std::string makeImageFile(const ImageFields& fields, size_t totalSize) {
    std::vector<uint8_t> h = makeHeader(fields);
    std::string file(h.begin(), h.end());
    file.resize(totalSize, '\x5A');
    return file;
}

Argv::Argv(const std::vector<std::string>& args) : strings_(args) {
    strings_.insert(strings_.begin(), "upflash");
    for (auto& s : strings_) ptrs_.push_back(&s[0]);
    ptrs_.push_back(nullptr);
}

} // namespace upftest
