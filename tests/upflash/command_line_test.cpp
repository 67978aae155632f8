// The upflash program's command line, help, banner, configuration file and result codes, seen
// from outside: output and exit status of the real binary, run in a fresh directory.
#include "test_support.h"
#include "upflash_fixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const std::string kBanner = "\n   Vantro Firmware Upgrade Utility Version:  1.3.15.49 \n";
const std::string kNormalList =
    "-d                   Allow downgrade of firmware without asking.\n"
    "-f, -force           Force flash firmware.\n"
    "-h, -help            Show command line options with descriptions.\n"
    "-i, -input=argument  Argument is name of firmware image file to use.\n"
    "-l, -log=argument    Log all messages to file specified by argument.\n"
    "-q, -quiet           Quiet mode. No prompts. Display error messages ONLY.\n"
    "-r, -revision        Display firmware and data file revisions then exit.\n"
    "-version             Display version of this firmware upgrade utility.\n"
    "-b, -rollback        Rollback to standby firmware image.\n"
    "-c, -clear           Clear private storage after firmware update.\n";
const std::string kAdvancedList =
    "-advhelp  Display advanced options help.\n"
    "-xml      Produce inventory output in XML format.\n"
    "-fml      Flash with result in XML format.\n";
const std::string kUsage = "\n   [Usage]\n     upflash -i=E:\\firmimg.v6\n";
const std::string kHelp = kBanner + "\n   Valid Options are:\n" + kNormalList + kUsage;
// After an option error the final status line is that of code 23, which has no text.
const std::string kParseErrorOut = kBanner + kNormalList + kUsage + "   \n";

vtest::RunResult runUpflash(const vtest::TempDir& dir, std::vector<std::string> args,
                            const std::string& input = "") {
    args.insert(args.begin(), UPFLASH_BIN);
    vtest::RunOptions opts;
    opts.cwd = dir.path();
    // No host IPMI libraries to be found: the run stops where the driver is opened.
    opts.env["LD_LIBRARY_PATH"] = dir.path();
    opts.input = input;
    opts.timeoutMs = 20000;
    return vtest::run(args, opts);
}

std::string configLines(int usb, int fw, int reboot, int retries) {
    return "\n   USBDeviceSearchingTime = " + std::to_string(usb) + " seconds\n" +
           "   FwUpdateWaitingTime    = " + std::to_string(fw) + " seconds\n" +
           "   VantroRebootWaitingTime  = " + std::to_string(reboot) + " seconds\n" +
           "   IPMICommandRetryTimes  = " + std::to_string(retries) + "\n";
}

struct ParseErrorCase {
    std::vector<std::string> args;
    std::string text;
    std::string offending;
};

TEST(UpflashCommandLine, EachParseErrorNamesItsResultAndTheOffendingArgument) {
    const std::string longPath(300, 'p');
    const ParseErrorCase cases[] = {
        {{"-Q"}, "OPTION INVALID", "-Q"},
        {{"-h", "-nosuch"}, "OPTION INVALID", "-nosuch"}, // parsing stops before help is looked at
        {{"-f", "-force"}, "OPTION DUPLICATE", "-force"},
        {{"-force", "-f"}, "OPTION DUPLICATE", "-f"},
        {{"-i=x", "-input=y"}, "OPTION DUPLICATE", "-input=y"},
        {{"-q", "-d", "-quiet"}, "OPTION DUPLICATE", "-quiet"},
        {{"-i="}, "ARGUMENT EMPTY", "-i="},
        {{"-log="}, "ARGUMENT EMPTY", "-log="},
        {{"-i=a;b"}, "ARGUMENT INVALID CHARACTER", "-i=a;b"},
        {{"-i=a=b"}, "ARGUMENT INVALID CHARACTER", "-i=a=b"},
        {{"-l=*.log"}, "ARGUMENT INVALID CHARACTER", "-l=*.log"},
        {{"-i=" + longPath}, "ARGUMENT TOO LONG", ("-i=" + longPath).substr(0, 255)},
        {{"-q=1"}, "ARGUMENT NOT ALLOWED", "-q=1"},
        {{"-version="}, "ARGUMENT NOT ALLOWED", "-version="},
        {{"-i"}, "ARGUMENT REQUIRED", "-i"},
        {{"-f", "-log"}, "ARGUMENT REQUIRED", "-log"},
        {{"-l=run.log", "-x"}, "OPTION INVALID", "-x"}, // not even -l takes effect
    };
    for (const ParseErrorCase& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        vtest::TempDir dir;
        auto r = runUpflash(dir, c.args);
        EXPECT_EQ(r.status, 23);
        EXPECT_EQ(r.err, "   " + c.text + "   [" + c.offending + "]\n\n");
        EXPECT_EQ(r.out, kParseErrorOut);
        EXPECT_FALSE(vtest::fileExists(dir.file("run.log")));
    }
}

const char kXmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

struct RunCase {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
};

TEST(UpflashCommandLine, HelpVersionAndRunModesGiveTheirOutputAndExitStatus) {
    const std::string debugTail = "\n   Cannot find upflash.cfg\n" + configLines(60, 180, 90, 4) +
                                  "   Failed to Load Library\n";
    const RunCase cases[] = {
        {{"-h"}, 0, kHelp, ""},
        {{"-help", "-q"}, 0, kHelp, ""}, // help comes before the quiet state
        {{"-advhelp"}, 0, kBanner + "   === help normal ===\n" + kNormalList +
                             "   === help advanced ===\n" + kAdvancedList + kUsage, ""},
        {{"-version"}, 0, kBanner, ""},
        {{"-version", "-h"}, 0, kBanner, ""},
        {{"-h", "-version"}, 0, kBanner, ""},
        // Without options the run reaches the host driver, which cannot be loaded here.
        {{}, 27, kBanner + "   Failed to Load Library\n", ""},
        {{"-f", "-i=img.bin", "-c"}, 27, kBanner + "   Failed to Load Library\n", ""},
        {{"-q"}, 27, "", ""},
        {{"-q", "-f", "-d"}, 27, "", ""},
        // The XML modes answer with their document alone.
        {{"-fml"}, 27, std::string(kXmlDeclaration) + "<SVMExecution lang=\"en\">\n   <SPStatus result=\"false\">\n"
                       "      <Message id=\"27\" >Failed to Load Library</Message>\n   </SPStatus>\n</SVMExecution>\n", ""},
        {{"-xml"}, 27, std::string(kXmlDeclaration) + "<SVMInventory lang=\"en\"/>\n", ""},
        {{"-r", "-debugmsg"}, 27, kBanner + debugTail, ""},
        {{"-q", "-debugmsg"}, 27, kBanner + debugTail, ""},
        {{"-h", "-debugmsg"}, 0, kHelp + "\n   Cannot find upflash.cfg\n" + configLines(60, 180, 90, 4), ""},
    };
    for (const RunCase& c : cases) {
        std::string name;
        for (const auto& a : c.args) name += a + " ";
        SCOPED_TRACE(name);
        vtest::TempDir dir;
        auto r = runUpflash(dir, c.args);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(UpflashCommandLine, LogFileStartsWithTheCommandLineAndTakesTheRunsTexts) {
    vtest::TempDir dir;
    auto r = runUpflash(dir, {"-l=run.log", "-h"});
    EXPECT_EQ(r.status, 0);
    const std::string log = vtest::readFile(dir.file("run.log"));
    EXPECT_EQ(log, std::string(UPFLASH_BIN) + " -l=run.log -h \n" + kHelp +
                       "\n   Cannot find upflash.cfg\n" + configLines(60, 180, 90, 4));

    // A log that cannot be created is no option error.
    auto bad = runUpflash(dir, {"-log=no/such/dir/x.log", "-version"});
    EXPECT_EQ(bad.status, 0);
    EXPECT_EQ(bad.err, " Cannot create no/such/dir/x.log \n");
    EXPECT_EQ(bad.out, kBanner);

    // In quiet mode the final line stays off the console but reaches the log.
    auto quiet = runUpflash(dir, {"-q", "-l=q.log"});
    EXPECT_EQ(quiet.status, 27);
    EXPECT_EQ(quiet.out, "");
    const std::string qlog = vtest::readFile(dir.file("q.log"));
    EXPECT_NE(qlog.find("   Failed to Load Library\n"), std::string::npos);
}

struct ConfigCase {
    const char* name;
    std::string text;
    int usb, fw, reboot, retries;
};

TEST(UpflashCommandLine, ConfigurationFileSettingsAndDefaults) {
    // A file well past 64 KiB whose setting sits at its end, and one whose line straddles
    // the 64 KiB mark.
    std::string big;
    while (big.size() < 70000) big += "# padding line to make the file large\n";
    std::string straddle(65530, '#');
    straddle += "\nUSBDeviceSearchingTime=17\n";
    const ConfigCase cases[] = {
        {"empty", "", 60, 180, 90, 4},
        {"zero", "FwUpdateWaitingTime = 0\n", 60, 0, 90, 4},
        {"not a number", "FwUpdateWaitingTime = abc\n", 60, 180, 90, 4},
        {"blanks and a comment", "  # FwUpdateWaitingTime = 5\n", 60, 180, 90, 4},
        {"comment line", "# IPMICommandRetryTimes=1\n", 60, 180, 90, 4},
        {"retries cut to 8 bits", "IPMICommandRetryTimes=260\n", 60, 180, 90, 4},
        {"retries cut to 8 bits, 261", "IPMICommandRetryTimes=261\n", 60, 180, 90, 5},
        {"trailing comment", "USBDeviceSearchingTime=30 # thirty\n", 30, 180, 90, 4},
        {"all four", "USBDeviceSearchingTime=1\nFwUpdateWaitingTime=2\n"
                     "VantroRebootWaitingTime=3\nIPMICommandRetryTimes=0\n", 1, 2, 3, 0},
        {"CRLF line ends", "FwUpdateWaitingTime=0\r\nVantroRebootWaitingTime=5\r\n", 60, 0, 5, 4},
        {"later line wins", "FwUpdateWaitingTime=10\nFwUpdateWaitingTime=20\n", 60, 20, 90, 4},
        {"keys are case-sensitive", "fwupdatewaitingtime=5\n", 60, 180, 90, 4},
        {"key without value", "FwUpdateWaitingTime\nFwUpdateWaitingTime=\n", 60, 180, 90, 4},
        {"cut to 16 bits", "FwUpdateWaitingTime=70000\n", 60, 4464, 90, 4},
        {"16-bit zero is no value", "FwUpdateWaitingTime=65536\n", 60, 180, 90, 4},
        {"tabs separate too", "USBDeviceSearchingTime\t=\t45\n", 45, 180, 90, 4},
        {"no final line end", "VantroRebootWaitingTime=8", 60, 180, 8, 4},
        {"unknown key", "Something=1\n", 60, 180, 90, 4},
        {"over 64 KiB", big + "VantroRebootWaitingTime=7\n", 60, 180, 7, 4},
        {"line across 64 KiB", straddle, 17, 180, 90, 4},
        {"NUL byte ends the line", std::string("FwUpdateWaitingTime\0=5\nUSBDeviceSearchingTime=9\n", 48),
         9, 180, 90, 4},
    };
    for (const ConfigCase& c : cases) {
        SCOPED_TRACE(c.name);
        vtest::TempDir dir;
        vtest::writeFile(dir.file("upflash.cfg"), c.text);
        auto r = runUpflash(dir, {"-version", "-debugmsg"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, kBanner + configLines(c.usb, c.fw, c.reboot, c.retries));
    }
}

TEST(UpflashCommandLine, ConfigurationThatIsNoRegularFileLeavesTheDefaults) {
    vtest::TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("upflash.cfg").c_str(), 0600), 0); // must not block the run
    auto r = runUpflash(dir, {"-version", "-debugmsg"});
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.out, kBanner + "\n   Reading upflash.cfg error. (readSize=0, filesize=0)\n" +
                         configLines(60, 180, 90, 4));
}

TEST(UpflashCommandLine, RevisionReadsTheImageEvenWithoutTheHostDriver) {
    vtest::TempDir dir;
    upftest::ImageFields good;
    good.boardType = "ABCD";
    vtest::writeFile(dir.file("firmimg.v6"), upftest::makeImageFile(good, 4096));
    auto r = runUpflash(dir, {"-r"});
    EXPECT_EQ(r.status, 27);
    // The image's version next to a current version of 0.0.
    EXPECT_EQ(r.out, kBanner + "   Warning: invalid board type! \n"
                               "   Firmware Version                                      Current   Image     \n"
                               "    Vantro ......................... Firmware Version    0.0       1.40      \n"
                               "                                     Firmware Revision   0         12        \n"
                               "\n   Failed to Load Library\n");

    upftest::ImageFields broken;
    broken.correctCrc = false;
    vtest::writeFile(dir.file("bad.bin"), upftest::makeImageFile(broken, 4096));
    auto b = runUpflash(dir, {"-revision", "-i=bad.bin"});
    EXPECT_EQ(b.status, 27);
    EXPECT_EQ(b.err, "\r   invalid head CRC !! \n");
}

} // namespace
