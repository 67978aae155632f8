// The Remdisk program before any connection: usage, version, every validation error and the
// probe of each medium, as exact standard output and exit status of the real binary.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const std::string kShortUsage =
    "Usage:    -r <Vantro-IP-address>[:<credentials-port>]\n"
    "          -u <Vantro-user-name> [-p <Vantro-user-password>]\n"
    "         [-f {<device-name> or <image-file-name>} and/or\n"
    "          -c {<device-name> or <image-file-name>}]\n"
    "         [-v] [-h] [-D <1-9>] [-N <debug-file-name>]\n"
    "\n";

const std::string kFullUsage = kShortUsage +
    "Options:\n"
    "-r \t<Vantro-IP-address> is a valid, unique IP address or the Vantro Dynamic\n"
    "\tDomain Naming System(DDNS) name(if supported). If <credentials-port> is\n"
    "\tomitted, port 443 will be used.\n"
    "-u \tVantro user name that will run Virtual Media\n"
    "-p \tPassword for specified Vantro user.\n"
    "\n"
    "-f \t<device-name> is a valid drive letter(for Windows) or valid\n"
    "\tdevice file name, including the mountable file system partition number,\n"
    "\tif applicable(for Linux); and <image-file> is the file name and\n"
    "\tpath of a valid image file.\n"
    "\tFor example, an image file is specified as\n"
    "\t-f c:\\temp\\floppy.img (Windows)\n"
    "\t-f /temp/floppy.img (Linux)\n"
    "\n"
    "\tFor example, a device is specified as:\n"
    "\t-f a:\\ (Windows)\n"
    "\t-f /dev/sdb4  4th partition on device /dev/sdb (Linux)\n"
    "\tThis option should also be used for USB devices or USB Image files.\n"
    "\n"
    "-c \t<device-name> is a valid CD/DVD drive letter(Windows systems) or a\n"
    "\tvalid CD/DVD device file name(Linux systems) and <image-file> is the\n"
    "\tfile name and path of a valid ISO-9660 image file.\n"
    "\n"
    "\tFor example, an image file is specified as:\n"
    "\t-c c:\\temp\\cd_dvd.iso (Windows)\n"
    "\t-c /temp/cd_dvd.iso (Linux)\n"
    "\n"
    "\tFor example, a device file is specified as:\n"
    "\t-c d:\\ (Windows)\n"
    "\t-c /dev/cdrom (Linux)\n"
    "\n"
    "-v\tDisplays the program version.\n"
    "-h\tDisplays this help information.\n"
    "-D\tOptional Debug Level  -N Optional debug file name\n";

const std::string kVersion = "Vantro Virtual Media Command Line Interface. Version: 1.0.0.15\n";
const std::string kNotYet =
    "Error: Connecting to the Vantro controller is not available in this build yet.\n";
const std::string kUnhandled = ": Error: Unhandled condition or invalid command line argument.\n";
const std::string kBadLevel = "Error: Invalid Debug Level (1-9)\n";

struct Case {
    const char* name;
    std::vector<std::string> args; // "$IMG", "$ISO" and "$DIR" are replaced by real paths
    std::string out;
    int status;
};

// A temporary folder holding a floppy image and an ISO image, and the program run in it.
class RemdiskProgram : public ::testing::Test {
protected:
    vtest::TempDir dir;
    std::string img = dir.file("floppy.img");
    std::string iso = dir.file("cd.iso");

    void SetUp() override {
        vtest::writeFile(img, std::string(1474560, '\0'));
        vtest::writeFile(iso, std::string(1000000, 'c'));
    }

    std::string expand(std::string text) const {
        for (auto [key, value] : {std::pair<std::string, std::string>{"$IMG", img},
                                  {"$ISO", iso},
                                  {"$DIR", dir.path()}}) {
            for (size_t at; (at = text.find(key)) != std::string::npos;)
                text.replace(at, key.size(), value);
        }
        return text;
    }

    vtest::RunResult run(const std::vector<std::string>& args) const {
        std::vector<std::string> argv{REMDISK_BIN};
        for (const auto& a : args)
            argv.push_back(expand(a));
        vtest::RunOptions options;
        options.cwd = dir.path();
        options.timeoutMs = 20000;
        return vtest::run(argv, options);
    }
};

} // namespace

TEST_F(RemdiskProgram, PrintsExactlyWhatEachCommandLineCalls) {
    const std::string missingImg = "/no/such/folder/x.img";
    const Case cases[] = {
        {"no arguments", {}, "Required arguments are missing!\n\n" + kShortUsage, 0},
        {"no switch at all", {"host", "user"}, "Invalid command arguments!\n\n" + kShortUsage, 0},
        {"digit after dash is a value", {"-5", "-"}, "Invalid command arguments!\n\n" + kShortUsage, 0},
        {"version", {"-v"}, kVersion, 0},
        {"version wins over a full command line", {"-v", "-r", "host", "-u", "u", "-f", "$IMG"}, kVersion, 0},
        {"help", {"-h"}, kFullUsage, 0},
        {"version and help", {"-h", "-v"}, kVersion + kFullUsage, 0},
        {"help with a bad trace level still checks the level first", {"-h", "-D", "0"}, kBadLevel, 1},
        {"no -r", {"-u", "u", "-f", "$IMG"}, "Error: -r option missing from command line\n", 1},
        {"unknown switches only", {"-x", "1"}, "Error: -r option missing from command line\n", 1},
        {"-r without a value", {"-u", "u", "-r"}, kUnhandled, 1},
        {"-r followed by a switch", {"-r", "-u", "u"}, kUnhandled, 1},
        {"-r starting with a colon", {"-r", ":443", "-u", "u", "-f", "$IMG"},
         "Error: Vantro server name required, Ex: -r serverName\n", 1},
        {"first of two -r wins", {"-r", ":1", "-r", "host", "-u", "u", "-f", "$IMG"},
         "Error: Vantro server name required, Ex: -r serverName\n", 1},
        {"no user", {"-r", "host", "-f", "$IMG"}, "Error: Vantro user name required\n", 1},
        {"-u without a value", {"-r", "host", "-u", "-f", "$IMG"}, "Error: Vantro user name required\n", 1},
        {"-p without a value", {"-r", "host", "-u", "u", "-p", "-f", "$IMG"}, "Error: Password is required\n", 1},
        {"no medium", {"-r", "host", "-u", "u", "-p", "pw"}, "Error: -f or -c required in command line!\n", 1},
        {"-f without a value", {"-r", "host", "-u", "u", "-f"},
         "Error: Missing floppy <device-name> or <image-file> in parameter -f\n", 1},
        {"-f names an ISO image", {"-r", "host", "-u", "u", "-f", "$DIR/disk.IsO"},
         "Error: Invalid floppy <image-file> in parameter -f.\n\t.iso not allowed.\n", 1},
        {"-f image that does not exist", {"-r", "host", "-u", "u", "-f", missingImg},
         "Error: Invalid floppy <device-name> or <image-file> in parameter -f\n"
         "       Unable to open Local Device or Image: " + missingImg + "\n", 1},
        {"-f device that does not exist", {"-r", "host", "-u", "u", "-f", "/dev/no-such-disk"},
         "Error: Invalid floppy <device-name> or <image-file> in parameter -f\n"
         "       Unable to open Local Device or Image: /dev/no-such-disk\n", 1},
        {"-c without a value", {"-r", "host", "-u", "u", "-c"},
         "Error: Missing CD/DVD <device-name> or <image-file> in parameter -c\n", 1},
        {"-c names a floppy image", {"-r", "host", "-u", "u", "-c", "$IMG"},
         "Error: Invalid Device Type for parameter -c\n\t.img not allowed.\n", 1},
        {"-c names a .bin image", {"-r", "host", "-u", "u", "-c", "$DIR/boot.Bin"},
         "Error: Invalid Device Type for parameter -c\n\t.img not allowed.\n", 1},
        {"-c image that does not exist", {"-r", "host", "-u", "u", "-c", "/no/such/cd.iso"},
         "Error: Invalid CD/DVD <device-name> or <image-file> in parameter -c\n"
         "       Unable to open Local Device or Image: /no/such/cd.iso.\n", 1},
        {"-f fine, -c missing", {"-r", "host", "-u", "u", "-f", "$IMG", "-c", "/no/cdrom"},
         "Error: Invalid CD/DVD <device-name> or <image-file> in parameter -c\n"
         "       Unable to open Local Device or Image: /no/cdrom.\n", 1},
        {"trace level 0", {"-D", "0", "-r", "host"}, kBadLevel, 1},
        {"trace level 10", {"-D", "10", "-r", "host"}, kBadLevel, 1},
        {"trace level not a number", {"-D", "abc", "-r", "host"}, kBadLevel, 1},
        {"trace level negative", {"-D", "-5", "-r", "host"}, kBadLevel, 1},
        {"trace level beyond int", {"-D", "99999999999999999999", "-r", "host"}, kBadLevel, 1},
        {"trace level empty", {"-D", "", "-r", "host"}, kBadLevel, 1},
        {"floppy image accepted", {"-r", "host", "-u", "u", "-f", "$IMG"}, kNotYet, 1},
        {"both media, extra -f value, port and -D without a value",
         {"-r", "host:99", "-u", "u", "-p", "pw", "-f", "$IMG", "extra", "-c", "$ISO", "-D"}, kNotYet, 1},
        {"a folder is no medium", {"-r", "h", "-u", "u", "-f", "$DIR"},
         "Error: Invalid floppy <device-name> or <image-file> in parameter -f\n"
         "       Unable to open Local Device or Image: $DIR\n", 1},
        {"device node probed read-only", {"-r", "10.0.0.1", "-u", "u", "-f", "/dev/null"}, kNotYet, 1},
        {"unused switches are ignored", {"-r", "h", "-u", "u", "-q", "-Z", "z", "-c", "$ISO"}, kNotYet, 1},
    };
    for (const Case& c : cases) {
        auto r = run(c.args);
        EXPECT_FALSE(r.timedOut) << c.name;
        EXPECT_EQ(r.out, expand(c.out)) << c.name;
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
    }
}

TEST_F(RemdiskProgram, OverlongAndNonUtf8ArgumentsGetClearMessages) {
    const std::string longName(6000, 'h');
    const std::string longPath = "/" + std::string(5000, 'p') + ".img";
    const std::string binary = "\xff\xfe\xc3\x28/\x80.img";
    const std::string formatLike = "/no/such/%s%n%x.img";
    const Case cases[] = {
        {"long server name and user", {"-r", longName + ":1", "-u", longName, "-p", longName, "-f", "$IMG"}, kNotYet, 1},
        {"long image path", {"-r", "h", "-u", "u", "-f", longPath},
         "Error: Invalid floppy <device-name> or <image-file> in parameter -f\n"
         "       Unable to open Local Device or Image: " + longPath + "\n", 1},
        {"long trace level", {"-D", std::string(5000, '9'), "-r", "h"}, kBadLevel, 1},
        {"long unknown switch", {"-" + longName, "-r", ":x"}, "Error: Vantro server name required, Ex: -r serverName\n", 1},
        {"bytes that are not UTF-8 in the path", {"-r", "h", "-u", "\xff", "-c", binary},
         "Error: Invalid Device Type for parameter -c\n\t.img not allowed.\n", 1},
        {"bytes that are not UTF-8 in a device path", {"-r", "\xfe\xff", "-u", "\xc3", "-f", "/dev/\xff\xfe"},
         "Error: Invalid floppy <device-name> or <image-file> in parameter -f\n"
         "       Unable to open Local Device or Image: /dev/\xff\xfe\n", 1},
        {"trace level of raw bytes", {"-D", "\xff\xfe", "-r", "h"}, kBadLevel, 1},
        {"format directives are printed, not obeyed", {"-r", "h", "-u", "u", "-f", formatLike},
         "Error: Invalid floppy <device-name> or <image-file> in parameter -f\n"
         "       Unable to open Local Device or Image: " + formatLike + "\n", 1},
    };
    for (const Case& c : cases) {
        auto r = run(c.args);
        EXPECT_FALSE(r.timedOut) << c.name;
        EXPECT_EQ(r.out, c.out == kNotYet ? kNotYet : expand(c.out)) << c.name;
        EXPECT_EQ(r.status, c.status) << c.name;
    }

    // Started with standard input or output closed, no descriptor the program opens may
    // take their place: neither the probe's handle (0 counts as invalid) nor its internal
    // pipes (console text written into them).
    for (const char* closing : {"<&-", ">&-", "<&- >&-"}) {
        std::string trace = dir.file("closed.txt");
        auto r = vtest::run({"/bin/sh", "-c", std::string("exec \"$0\" \"$@\" ") + closing, REMDISK_BIN,
                             "-D", "1", "-N", trace, "-r", "h", "-u", "u", "-f", img});
        EXPECT_EQ(r.status, 1) << closing;
        std::string text = vtest::readFile(trace);
        EXPECT_EQ(text.find("SignalHandler"), std::string::npos) << closing << "\n" << text;
        EXPECT_NE(text.find("RemdiskAPP::ExitClean: Clean Up And Exit code:[1]"), std::string::npos)
            << closing << "\n" << text;
        if (std::string(closing) == "<&-")
            EXPECT_EQ(r.out, kNotYet);
    }

    // Thousands of arguments.
    std::vector<std::string> many{"-r", "h", "-u", "u", "-f", "$IMG"};
    for (int i = 0; i < 3000; ++i)
        many.push_back(i % 2 ? "value" : "-s" + std::to_string(i));
    auto r = run(many);
    EXPECT_EQ(r.out, kNotYet);
    EXPECT_EQ(r.status, 1);
}
