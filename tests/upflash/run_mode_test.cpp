// From options to run mode: display state, flash mode, switches, image path, XML modes.
#include "cli/console.h"
#include "cli/logger.h"
#include "cli/options.h"
#include "cli/result_codes.h"
#include "image/devices.h"
#include "report/update_package.h"
#include "update/fw_update_param.h"
#include "upflash_fixtures.h"

#include <gtest/gtest.h>

namespace {

struct ModeCase {
    std::vector<std::string> args;
    int result;
    int displayState;
    int flashMode;
    bool rollback;
    bool clearPS;
    std::string imagePath;
    int xml; // 0 none, 1 inventory, 2 result document
};

TEST(UpflashRunMode, OptionsTranslateIntoTheRunMode) {
    const ModeCase cases[] = {
        {{}, 0, DISPLAY_NORMAL, FLASH_MODE_DEFAULT, false, false, "firmimg.v6", 0},
        {{"-f"}, 0, DISPLAY_NORMAL, FLASH_MODE_FORCE, false, false, "firmimg.v6", 0},
        {{"-d"}, 0, DISPLAY_NORMAL, FLASH_MODE_DOWNGRADE, false, false, "firmimg.v6", 0},
        {{"-d", "-force"}, 0, DISPLAY_NORMAL, FLASH_MODE_FORCE, false, false, "firmimg.v6", 0},
        {{"-q"}, 0, DISPLAY_QUIET, FLASH_MODE_QUIET, false, false, "firmimg.v6", 0},
        {{"-q", "-f", "-d"}, 0, DISPLAY_QUIET, FLASH_MODE_FORCE, false, false, "firmimg.v6", 0},
        {{"-quiet", "-d"}, 0, DISPLAY_QUIET, FLASH_MODE_DOWNGRADE, false, false, "firmimg.v6", 0},
        {{"-r"}, 0, DISPLAY_REVISION, FLASH_MODE_DEFAULT, false, false, "firmimg.v6", 0},
        {{"-r", "-f", "-q"}, 0, DISPLAY_REVISION, FLASH_MODE_DEFAULT, false, false, "firmimg.v6", 0},
        {{"-r", "-debugmsg"}, 0, DISPLAY_REVISION_DEBUG, FLASH_MODE_DEFAULT, false, false, "firmimg.v6", 0},
        {{"-q", "-debugmsg"}, 0, DISPLAY_DEBUG, FLASH_MODE_QUIET, false, false, "firmimg.v6", 0},
        {{"-debugmsg"}, 0, DISPLAY_DEBUG, FLASH_MODE_DEFAULT, false, false, "firmimg.v6", 0},
        {{"-b"}, 0, DISPLAY_NORMAL, FLASH_MODE_DEFAULT, true, false, "firmimg.v6", 0},
        {{"-rollback", "-f", "-c"}, 0, DISPLAY_NORMAL, FLASH_MODE_DEFAULT, true, true, "firmimg.v6", 0},
        {{"-b", "-q"}, 0, DISPLAY_NORMAL, FLASH_MODE_DEFAULT, true, false, "firmimg.v6", 0},
        {{"-clear"}, 0, DISPLAY_NORMAL, FLASH_MODE_DEFAULT, false, true, "firmimg.v6", 0},
        {{"-i=/tmp/img.bin"}, 0, DISPLAY_NORMAL, FLASH_MODE_DEFAULT, false, false, "/tmp/img.bin", 0},
        {{"-xml", "-f"}, 0, DISPLAY_XML, FLASH_MODE_DEFAULT, false, false, "firmimg.v6", 1},
        {{"-xml", "-debugmsg"}, 0, DISPLAY_DEBUG, FLASH_MODE_DEFAULT, false, false, "firmimg.v6", 1},
        {{"-fml"}, 0, DISPLAY_QUIET, FLASH_MODE_QUIET, false, false, "firmimg.v6", 2},
        {{"-fml", "-d"}, 0, DISPLAY_QUIET, FLASH_MODE_DOWNGRADE, false, false, "firmimg.v6", 2},
        {{"-fml", "-d", "-f"}, 0, DISPLAY_QUIET, FLASH_MODE_FORCE, false, false, "firmimg.v6", 2},
        {{"-fml", "-r"}, 0, DISPLAY_QUIET, FLASH_MODE_QUIET, false, false, "firmimg.v6", 2},
        // Help still applies the image path and the switches of step three.
        {{"-h", "-input=x.bin", "-c", "-debugmsg"}, 22, DISPLAY_DEBUG, FLASH_MODE_DEFAULT, false, true, "x.bin", 0},
        {{"-version", "-q"}, 22, DISPLAY_NORMAL, FLASH_MODE_DEFAULT, false, false, "firmimg.v6", 0},
        // An option error changes nothing at all.
        {{"-q", "-i=a", "-Q"}, 23, DISPLAY_NORMAL, FLASH_MODE_DEFAULT, false, false, "firmimg.v6", 0},
    };
    for (const ModeCase& c : cases) {
        std::string name;
        for (const auto& a : c.args) name += a + " ";
        SCOPED_TRACE(name);
        upftest::resetModules();
        upftest::ConsoleCapture cap;
        BIN_FILE_INFO info;
        bin_file_info_init(&info);
        upftest::Argv argv(c.args);
        EXPECT_EQ(translate_options(argv.argc(), argv.argv(), &info), c.result);
        EXPECT_EQ(get_display_state(), c.displayState);
        EXPECT_EQ(get_flash_mode(), c.flashMode);
        EXPECT_EQ(get_rollbackMode() != 0, c.rollback);
        EXPECT_EQ(get_ClearPSMode() != 0, c.clearPS);
        EXPECT_STREQ(info.imagePath, c.imagePath.c_str());
        CKestrelUpdatePackage* kup = CKestrelUpdatePackage::Instance();
        EXPECT_EQ(kup && kup->InventoryMode(), c.xml == 1);
        EXPECT_EQ(kup && kup->ReturnCodeMode(), c.xml == 2);
        EXPECT_EQ(Logger::GetLogLevel(), c.xml ? -1 : 0);
    }
    upftest::resetModules();
}

TEST(UpflashRunMode, FlashModeAboveFourIsIgnored) {
    upftest::resetModules();
    set_flash_mode(FLASH_MODE_DOWNGRADE);
    set_flash_mode(5);
    EXPECT_EQ(get_flash_mode(), FLASH_MODE_DOWNGRADE);
    set_flash_mode(-1);
    EXPECT_EQ(get_flash_mode(), FLASH_MODE_DOWNGRADE);
    upftest::resetModules();
}

TEST(UpflashRunMode, ParserPiecesFollowTheirRules) {
    uint32_t e = 0;
    char arg[OPTION_TEXT_SIZE];
    EXPECT_EQ(option_search("-input=img", &e, arg), OPTION_RC_VALID);
    EXPECT_EQ(e, static_cast<uint32_t>(ENUM_INPUT));
    EXPECT_STREQ(arg, "img");
    EXPECT_EQ(option_search("-nope=1", &e, arg), OPTION_RC_INVALID);
    EXPECT_EQ(e, static_cast<uint32_t>(ENUM_END));
    EXPECT_STREQ(arg, "");
    EXPECT_EQ(get_option_table_entry("-")->enumerator, static_cast<uint32_t>(ENUM_END));
    EXPECT_EQ(get_option_table_entry("")->enumerator, static_cast<uint32_t>(ENUM_END));
    EXPECT_EQ(argument_check("a[1]", ENUM_LOG), OPTION_RC_ARGUMENT_INVALID_CHARACTER);
    EXPECT_EQ(argument_check("", ENUM_FORCE), OPTION_RC_VALID);
    EXPECT_EQ(argument_check(std::string(255, 'a').c_str(), ENUM_INPUT), OPTION_RC_VALID);
    EXPECT_EQ(argument_check(std::string(256, 'a').c_str(), ENUM_INPUT), OPTION_RC_ARGUMENT_TOO_LONG);
    EXPECT_STREQ(option_return_code_str(5), "ARGUMENT TOO LONG");
    EXPECT_STREQ(option_return_code_str(8), "OPTION RETURN CODE UNKNOWN");
    EXPECT_STREQ(option_return_code_str(-1), "OPTION RETURN CODE UNKNOWN");

    OPTION_STRUCTURE_TYPE opts;
    option_structure_defaults(&opts);
    EXPECT_EQ(option_look_for_duplicates_and_add_to_structure(ENUM_LOG, "a.log", &opts), OPTION_RC_VALID);
    EXPECT_EQ(option_look_for_duplicates_and_add_to_structure(ENUM_LOG, "b.log", &opts), OPTION_RC_DUPLICATE);
    EXPECT_STREQ(opts.log, "a.log");

    char column[OPTION_TEXT_SIZE];
    get_option_help_str(ENUM_DEBUG, HELP_NORMAL | HELP_ADVANCED, column);
    EXPECT_STREQ(column, "");
    get_option_help_str(ENUM_LOG, HELP_CLI, column);
    EXPECT_STREQ(column, "-log=argument");
    get_option_help_str(ENUM_VERSION, HELP_STANDARD, column);
    EXPECT_STREQ(column, "");
}

TEST(UpflashResultCodes, ErrorMapTextsAndExitStatus) {
    EXPECT_EQ(error_map[17].code, 49); // the table keeps its order
    EXPECT_EQ(error_map[25].code, 61);
    EXPECT_STREQ(ErrorCode2String(0), "Success");
    EXPECT_STREQ(ErrorCode2String(27), "Failed to Load Library");
    EXPECT_STREQ(ErrorCode2String(52), "Failed to End Maser Serssion");
    EXPECT_STREQ(ErrorCode2String(68),
                 "Stop firmware downgrade process : Image file is newer than current firmware");
    for (int code : {22, 23, 29, 40, 48, 55, 62, 65, -1, 4102})
        EXPECT_STREQ(ErrorCode2String(code), "") << code;
    EXPECT_EQ(exit_status_for(22), 0);
    EXPECT_EQ(exit_status_for(23), 23);
    EXPECT_EQ(exit_status_for(0), 0);
    EXPECT_EQ(exit_status_for(67), 67);
}

} // namespace
