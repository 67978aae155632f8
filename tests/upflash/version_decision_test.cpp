// Whether the controller is flashed: image version against the running one, in each mode.
#include "cli/console.h"
#include "cli/options.h"
#include "image/devices.h"
#include "upflash_fixtures.h"

#include <gtest/gtest.h>

namespace {

// Device at 1.40 revision 12 (revision bytes high, low), image as given.
DEVICES_INFORMATION& matchedDevice(uint8_t major, uint8_t minor, uint16_t revision) {
    upftest::ImageFields fields;
    fields.major = major;
    fields.minor = minor;
    fields.revision = revision;
    read_image_header(upftest::makeHeader(fields).data());
    DEVICES_INFORMATION& d = devices_information[0];
    d.state = DEV_IMAGE_MATCHED;
    d.image = &image_header;
    const uint8_t current[4] = {1, 40, 0, 12};
    std::copy(current, current + 4, d.currentVersion);
    return d;
}

struct DecisionCase {
    const char* name;
    uint8_t major, minor;
    uint16_t revision;
    int mode;
    std::string answers; // standard input for the downgrade question
    int state;
    int timesAsked;
};

TEST(UpflashVersionDecision, EveryModeAgainstSameOlderAndNewerImages) {
    const DecisionCase cases[] = {
        {"same, default", 1, 40, 12, FLASH_MODE_DEFAULT, "", DEV_SAME_VERSION, 0},
        {"same, quiet", 1, 40, 12, FLASH_MODE_QUIET, "", DEV_SAME_VERSION, 0},
        {"same, downgrade", 1, 40, 12, FLASH_MODE_DOWNGRADE, "", DEV_SAME_VERSION, 0},
        {"same, force", 1, 40, 12, FLASH_MODE_FORCE, "", DEV_FLASH, 0},
        {"newer revision, default", 1, 40, 13, FLASH_MODE_DEFAULT, "", DEV_FLASH, 0},
        {"newer minor, quiet", 1, 41, 0, FLASH_MODE_QUIET, "", DEV_FLASH, 0},
        {"newer major, downgrade", 2, 0, 0, FLASH_MODE_DOWNGRADE, "", DEV_IMAGE_NEWER, 0},
        {"newer, force", 2, 0, 0, FLASH_MODE_FORCE, "", DEV_FLASH, 0},
        {"older, quiet", 1, 39, 12, FLASH_MODE_QUIET, "", DEV_FOUND, 0},
        {"older, downgrade", 1, 39, 500, FLASH_MODE_DOWNGRADE, "", DEV_FLASH, 0},
        {"older, force", 0, 99, 0, FLASH_MODE_FORCE, "", DEV_FLASH, 0},
        {"older revision, default, y", 1, 40, 11, FLASH_MODE_DEFAULT, "y\n", DEV_FLASH, 1},
        {"older minor, default, n", 1, 39, 12, FLASH_MODE_DEFAULT, "n\n", DEV_FOUND, 1},
        {"older, default, yes re-asked then Y", 1, 39, 12, FLASH_MODE_DEFAULT, "yes\nY\n", DEV_FLASH, 2},
        {"older, default, end of input", 1, 39, 12, FLASH_MODE_DEFAULT, "", DEV_FOUND, 1},
        {"older, default, yes then end of input", 1, 39, 12, FLASH_MODE_DEFAULT, "yes\n", DEV_FOUND, 2},
    };
    for (const DecisionCase& c : cases) {
        SCOPED_TRACE(c.name);
        upftest::resetModules();
        set_flash_mode(c.mode);
        DEVICES_INFORMATION& d = matchedDevice(c.major, c.minor, c.revision);
        upftest::ConsoleCapture cap(c.answers);
        BIN_FILE_INFO info;
        bin_file_info_init(&info);
        check_images_revision(&info);
        EXPECT_EQ(d.state, c.state);
        const std::string question = "   Downgrade Vantro from 1.40.12 to " + std::to_string(c.major) +
                                     "." + std::to_string(c.minor) + "." + std::to_string(c.revision) +
                                     " (Y/N)?";
        std::string asked;
        for (int i = 0; i < c.timesAsked; ++i) asked += question;
        const std::string out = cap.out();
        if (c.mode == FLASH_MODE_FORCE) {
            EXPECT_EQ(out, "\r   Force Vantro firmware update ...\n");
        } else if (c.timesAsked == 0) {
            EXPECT_EQ(out, "");
        } else {
            EXPECT_EQ(out.substr(0, asked.size()), asked);
        }
    }
    upftest::resetModules();
}

TEST(UpflashVersionDecision, RevisionByteOrdersOfFileAndControllerAgree) {
    upftest::resetModules();
    // The file stores 02 01 (0x0102), the controller reports 01 02: the same revision.
    DEVICES_INFORMATION& d = matchedDevice(1, 40, 0x0102);
    d.currentVersion[2] = 0x01;
    d.currentVersion[3] = 0x02;
    set_flash_mode(FLASH_MODE_DOWNGRADE);
    check_img_revision(&d);
    EXPECT_EQ(d.state, DEV_SAME_VERSION);
    upftest::resetModules();
}

TEST(UpflashVersionDecision, OnlyMatchedDevicesAreDecided) {
    upftest::resetModules();
    DEVICES_INFORMATION& d = matchedDevice(2, 0, 0);
    set_flash_mode(FLASH_MODE_FORCE);
    for (int state : {DEV_INITIAL, DEV_FOUND, DEV_NO_RESPONSE, DEV_SAME_VERSION}) {
        d.state = state;
        upftest::ConsoleCapture cap;
        check_img_revision(&d);
        EXPECT_EQ(d.state, state);
        EXPECT_EQ(cap.out(), "");
    }
    upftest::resetModules();
}

TEST(UpflashVersionDecision, QuietStatesNeverAskEvenInDefaultMode) {
    // The question is asked only where someone sees it; in -r and -xml it counts as yes.
    upftest::resetModules();
    DEVICES_INFORMATION& d = matchedDevice(1, 39, 0);
    set_display_state(DISPLAY_REVISION);
    upftest::ConsoleCapture cap("n\n");
    check_img_revision(&d);
    EXPECT_EQ(d.state, DEV_FLASH);
    EXPECT_EQ(cap.out(), "");
    upftest::resetModules();
}

} // namespace
