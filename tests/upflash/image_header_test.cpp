// Image file header: CRC-32, parsing, the checks in order, reading the file, matching.
#include "cli/console.h"
#include "image/crc32.h"
#include "image/devices.h"
#include "image/image_header.h"
#include "test_support.h"
#include "upflash_fixtures.h"

#include <gtest/gtest.h>

#include <random>
#include <zlib.h>

using upftest::ImageFields;
using upftest::makeHeader;

namespace {

class ImageHeaderTest : public ::testing::Test {
protected:
    void SetUp() override { upftest::resetModules(); }
    void TearDown() override { upftest::resetModules(); }
};

TEST_F(ImageHeaderTest, CrcTableAndChecksumAgreeWithZlib) {
    uint32_t table[256];
    init_crc32_tbl(table);
    const z_crc_t* zlibTable = get_crc_table();
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(table[i], zlibTable[i]) << i;

    const uint8_t digits[] = "123456789";
    EXPECT_EQ(calculate_crc(digits, 9), 0xCBF43926u);
    EXPECT_EQ(calculate_crc(digits, 0), 0u);

    std::mt19937 rng(7);
    for (size_t length : {1u, 3u, 508u, 512u, 4099u}) {
        std::vector<uint8_t> data(length);
        for (auto& b : data) b = static_cast<uint8_t>(rng());
        EXPECT_EQ(calculate_crc(data.data(), length),
                  static_cast<uint32_t>(crc32(0L, data.data(), static_cast<uInt>(length))))
            << length;
    }
    EXPECT_EQ(Reflect(0x01, 8), 0x80u);
    EXPECT_EQ(Reflect(0x1234, 4), 0x1232u); // only the low four bits turn round
    EXPECT_EQ(Reflect(0x00000001u, 32), 0x80000000u);
}

TEST_F(ImageHeaderTest, ParsesEveryFieldInFileOrder) {
    ImageFields fields;
    fields.major = 2;
    fields.minor = 7;
    fields.revision = 0x0102;
    fields.imageLength = 0x01020304;
    auto h = makeHeader(fields);
    EXPECT_EQ(read_data_from_file(h.data() + 12, 4), 0x01020304u);
    EXPECT_EQ(read_data_from_file(h.data() + 4, 1), 1u);

    image_header.fileLength = 9999;
    read_image_header(h.data());
    const IMAGE_HEADER& p = image_header;
    EXPECT_EQ(p.crc, p.computedCrc);
    EXPECT_EQ(p.headerVersion, 1);
    EXPECT_EQ(p.imageType, 1);
    EXPECT_EQ(p.partitionCount, 3);
    EXPECT_EQ(p.major, 2);
    EXPECT_EQ(p.minor, 7);
    EXPECT_EQ(p.revision[0], 0x02); // low byte first, as in the file
    EXPECT_EQ(p.revision[1], 0x01);
    EXPECT_EQ(image_revision(&p), 0x0102);
    EXPECT_EQ(p.imageLength, 0x01020304u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.boardType), 4), "MRKA");
    EXPECT_EQ(p.bootloader2[2], 0x1A);
    EXPECT_EQ(p.fileLength, 9999u); // kept: it comes from the file system
    EXPECT_TRUE(image_has_bootloader_versions(&p));
}

TEST_F(ImageHeaderTest, BootloaderVersionsNeedThreePartitionsAndANonZeroByte) {
    ImageFields fields;
    read_image_header(makeHeader(fields).data());
    EXPECT_TRUE(image_has_bootloader_versions(&image_header));
    fields.partitionCount = 2;
    read_image_header(makeHeader(fields).data());
    EXPECT_FALSE(image_has_bootloader_versions(&image_header));
    fields.partitionCount = 3;
    for (auto& b : fields.bootloader1) b = 0;
    for (auto& b : fields.bootloader2) b = 0;
    read_image_header(makeHeader(fields).data());
    EXPECT_FALSE(image_has_bootloader_versions(&image_header));
    fields.bootloader2[3] = 1; // byte 23 counts
    read_image_header(makeHeader(fields).data());
    EXPECT_TRUE(image_has_bootloader_versions(&image_header));
}

struct CheckCase {
    const char* name;
    ImageFields fields;
    int result;
    int cls;
    const char* text;
};

ImageFields with(void (*change)(ImageFields&)) {
    ImageFields s;
    change(s);
    return s;
}

TEST_F(ImageHeaderTest, ChecksRunInOrderWithTheirTexts) {
    const CheckCase cases[] = {
        {"valid", ImageFields(), 0, PRT_DEBUG, "OK\n"},
        {"MRKB", with([](ImageFields& s) { s.boardType = "MRKB"; }), 0, PRT_DEBUG, "OK\n"},
        {"bad CRC", with([](ImageFields& s) { s.correctCrc = false; }), 4, PRT_ERROR,
         "\r   invalid head CRC !! \n"},
        {"bad CRC before bad version",
         with([](ImageFields& s) { s.correctCrc = false; s.headerVersion = 2; }), 4, PRT_ERROR,
         "\r   invalid head CRC !! \n"},
        {"header version", with([](ImageFields& s) { s.headerVersion = 0; }), 4, PRT_ERROR,
         "\r   invalid head version !! \n"},
        {"image type", with([](ImageFields& s) { s.imageType = 2; s.reserved = 1; }), 4, PRT_ERROR,
         "\r   invalid image type !! \n"},
        {"board type warns only", with([](ImageFields& s) { s.boardType = "ABCD"; }), 0, PRT_NORMAL,
         "   Warning: invalid board type! \n"},
        {"reserved byte replaces the warning",
         with([](ImageFields& s) { s.boardType = "ABCD"; s.reserved = 1; }), 4, PRT_ERROR,
         "\r   invalid reserved byte !! \n"},
        {"reserved word", with([](ImageFields& s) { s.reservedWord = 0x100; }), 4, PRT_ERROR,
         "\r   invalid reserved byte !! \n"},
        {"third partition size 0",
         with([](ImageFields& s) { s.partitionSizes = {1, 2, 0}; }), 4, PRT_ERROR,
         "\r   invalid partition size !! \n"},
        {"no partitions, nothing to check",
         with([](ImageFields& s) { s.partitionCount = 0; s.partitionSizes = {0, 0, 0}; }), 0, PRT_DEBUG, "OK\n"},
        {"an uncounted entry may be 0",
         with([](ImageFields& s) { s.partitionCount = 2; }), 0, PRT_DEBUG, "OK\n"},
        {"40 partitions fill the header",
         with([](ImageFields& s) { s.partitionCount = 40; }), 0, PRT_DEBUG, "OK\n"},
        {"41 partitions reach past it",
         with([](ImageFields& s) { s.partitionCount = 41; }), 4, PRT_ERROR,
         "\r   invalid partition size !! \n"},
        {"255 partitions", with([](ImageFields& s) { s.partitionCount = 255; }), 4, PRT_ERROR,
         "\r   invalid partition size !! \n"},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto h = makeHeader(c.fields);
        int cls = -1;
        char text[IMAGE_HEADER_TEXT_SIZE];
        EXPECT_EQ(valid_file_header(&cls, text, h.data()), c.result);
        EXPECT_EQ(cls, c.cls);
        EXPECT_STREQ(text, c.text);
    }
}

struct FileCase {
    const char* name;
    size_t size;
    int result;
    std::string debugOut; // console in the debug state
    std::string err;
};

TEST_F(ImageHeaderTest, ReadsOnlyTheHeaderOfFilesOfAtLeast512Bytes) {
    vtest::TempDir dir;
    const FileCase cases[] = {
        {"511 bytes", 511, 4, "\n   Bad input file size\n", ""},
        {"512 bytes", 512, 0, "\n   Check image file header : OK\n   Process devices : OK\n", ""},
        {"5 MiB", 5u << 20, 0, "\n   Check image file header : OK\n   Process devices : OK\n", ""},
        {"empty", 0, 4, "\n   Bad input file size\n", ""},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        upftest::resetModules();
        devices_information[0].state = DEV_FOUND;
        const std::string path = dir.file("img.bin");
        vtest::writeFile(path, upftest::makeImageFile(ImageFields(), c.size));
        BIN_FILE_INFO info;
        bin_file_info_init(&info);
        std::snprintf(info.imagePath, sizeof info.imagePath, "%s", path.c_str());
        upftest::ConsoleCapture cap;
        set_display_state(DISPLAY_DEBUG);
        EXPECT_EQ(get_image_file_info(&info), c.result);
        EXPECT_EQ(cap.out(), c.debugOut);
        EXPECT_EQ(cap.err(), c.err);
        EXPECT_EQ(image_header.fileLength, c.size);
        if (c.result == 0) {
            EXPECT_EQ(info.header, &image_header);
            EXPECT_EQ(devices_information[0].image, &image_header);
            EXPECT_EQ(devices_information[0].state, DEV_IMAGE_MATCHED);
        } else {
            EXPECT_EQ(devices_information[0].state, DEV_FOUND);
        }
    }
}

TEST_F(ImageHeaderTest, FailuresOfTheFileAndOfTheMatch) {
    vtest::TempDir dir;
    BIN_FILE_INFO info;
    bin_file_info_init(&info);
    devices_information[0].state = DEV_FOUND;
    {
        // Missing file, a directory: only a debug line, result 61.
        for (const std::string& path : {dir.file("missing.bin"), dir.path()}) {
            std::snprintf(info.imagePath, sizeof info.imagePath, "%s", path.c_str());
            upftest::ConsoleCapture cap;
            EXPECT_EQ(get_image_file_info(&info), 61);
            EXPECT_EQ(cap.out(), "");
            set_display_state(DISPLAY_DEBUG);
            EXPECT_EQ(get_image_file_info(&info), 61);
            EXPECT_EQ(cap.out(), "\n   Cannot open " + path + " \n");
            set_display_state(DISPLAY_NORMAL);
        }
    }
    {
        // A failing check goes to standard error and stops before the match.
        ImageFields bad;
        bad.reservedWord = 1;
        vtest::writeFile(dir.file("bad.bin"), upftest::makeImageFile(bad, 1024));
        std::snprintf(info.imagePath, sizeof info.imagePath, "%s", dir.file("bad.bin").c_str());
        upftest::ConsoleCapture cap;
        EXPECT_EQ(get_image_file_info(&info), 4);
        EXPECT_EQ(cap.err(), "\r   invalid reserved byte !! \n");
        EXPECT_EQ(devices_information[0].state, DEV_FOUND);
    }
    {
        // The device's type differs from the image's.
        vtest::writeFile(dir.file("ok.bin"), upftest::makeImageFile(ImageFields(), 1024));
        std::snprintf(info.imagePath, sizeof info.imagePath, "%s", dir.file("ok.bin").c_str());
        devices_information[0].deviceType = 2;
        upftest::ConsoleCapture cap;
        EXPECT_EQ(get_image_file_info(&info), 9);
        EXPECT_EQ(cap.err(), "\r   invalid current image type !! \n");
        EXPECT_EQ(devices_information[0].image, nullptr);
    }
    {
        // No device was found at all: no match, and no success either.
        devices_information[0].deviceType = 1;
        devices_information[0].state = DEV_NO_RESPONSE;
        int cls = 0;
        char text[IMAGE_HEADER_TEXT_SIZE];
        EXPECT_EQ(process_devices(&info, &cls, text), 9);
        EXPECT_EQ(cls, PRT_ERROR);
        EXPECT_EQ(devices_information[0].state, DEV_NO_RESPONSE);
    }
}

TEST_F(ImageHeaderTest, BoardWarningReachesTheConsoleAndTheRunGoesOn) {
    vtest::TempDir dir;
    ImageFields fields;
    fields.boardType = "ABCD";
    vtest::writeFile(dir.file("img.bin"), upftest::makeImageFile(fields, 600));
    BIN_FILE_INFO info;
    bin_file_info_init(&info);
    std::snprintf(info.imagePath, sizeof info.imagePath, "%s", dir.file("img.bin").c_str());
    devices_information[0].state = DEV_FOUND;
    upftest::ConsoleCapture cap;
    EXPECT_EQ(get_image_file_info(&info), 0);
    EXPECT_EQ(cap.out(), "   Warning: invalid board type! \n");
    EXPECT_EQ(devices_information[0].state, DEV_IMAGE_MATCHED);
}

} // namespace
