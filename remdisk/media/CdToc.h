// Builds a CD table of contents in the layout of a READ TOC answer (format 0, LBA
// addresses): a 2-byte big-endian data length, first and last track, then one 8-byte
// descriptor per track and one for the lead-out.
#pragma once

#include <cstdint>

class CdToc {
public:
    static constexpr int kMaxLength = 804; // 99 tracks and the lead-out
    static constexpr int kMaxDescriptors = 100;

    CdToc(int firstTrack, int lastTrack);

    // Appends a descriptor; false (and nothing written) when the table is full.
    bool add(int adr, int control, int track, int32_t lba);
    // Stores the data length and copies the table to out (room for kMaxLength bytes);
    // returns the bytes copied.
    int finish(unsigned char* out);

    const unsigned char* data() const { return bytes; }

private:
    unsigned char bytes[kMaxLength] = {};
    int length = 2; // bytes after the length field
};
