// The operating-system layer with the real shell and file system: "lxvexa.ini", the change of
// working directory around the install commands, and the sorting of a command's wait status.
#include "test_support.h"
#include "upflash_fixtures.h"

#include "cli/logger.h"
#include "ipmi/driver_os.h"
#include "ipmi/driver_status.h"

#include <gtest/gtest.h>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string currentDir() {
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? buf : "";
}

// Runs the test in a fresh directory and comes back afterwards.
class LinuxTesselTest : public ::testing::Test {
protected:
    void SetUp() override {
        upftest::resetModules();
        home_ = currentDir();
        ASSERT_EQ(chdir(dir_.path().c_str()), 0);
        here_ = currentDir();
    }
    void TearDown() override {
        EXPECT_EQ(chdir(home_.c_str()), 0);
        upftest::resetModules();
    }
    void writeIni(const std::string& text) { vtest::writeFile(dir_.file(DRIVER_INI_FILE), text); }

    vtest::TempDir dir_;
    std::string home_, here_;
    upftest::ConsoleCapture console_;
};

TEST_F(LinuxTesselTest, LaunchAppSortsTheCommandsWaitStatus) {
    const struct {
        const char* command;
        int expected;
    } cases[] = {
        {"exit 0", 0},           {"exit 40", LAUNCH_CLASS_40}, {"exit 150", LAUNCH_CLASS_40},
        {"exit 41", LAUNCH_CLASS_41}, {"exit 151", LAUNCH_CLASS_41}, {"exit 1", LAUNCH_OTHER},
        {"exit 42", LAUNCH_OTHER}, {"kill -9 $$", LAUNCH_OTHER},
        {"/no/such/program 2>/dev/null", LAUNCH_OTHER},
    };
    CLinuxTessel os;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        upftest::ConsoleCapture console;
        EXPECT_EQ(os.LaunchApp(c.command), c.expected);
        EXPECT_EQ(console.out(), "\r   Please wait... -\r                   \r");
    }
    // Raw wait statuses that the table names as they are.
    for (int raw : {40, 150, 10240, 38400}) EXPECT_EQ(CLinuxTessel::MapLaunchStatus(raw), 2040);
    for (int raw : {41, 151, 10496, 38656}) EXPECT_EQ(CLinuxTessel::MapLaunchStatus(raw), 2041);
    for (int raw : {-1, 1, 256, 10241}) EXPECT_EQ(CLinuxTessel::MapLaunchStatus(raw), 2049);

    // The XML modes silence the logger.
    Logger::LogLevel(-1);
    upftest::ConsoleCapture quiet;
    EXPECT_EQ(os.LaunchApp("exit 0"), 0);
    EXPECT_EQ(quiet.out(), "");
}

TEST_F(LinuxTesselTest, ConfigurationNeedsPathInstallAndUninstallCommands) {
    const struct {
        const char* name;
        const char* text; // null: no file
        int expected;
    } cases[] = {
        {"missing", nullptr, DRV_INI_MISSING},
        {"complete", "vexa_path=d\ninstall_command=i\nuninstall_command=u\n", 0},
        {"with check command",
         "vexa_path=d\ninstall_command=i\nuninstall_command=u\ncheckstatus_command=c\n", 0},
        {"no uninstall", "vexa_path=d\ninstall_command=i\ncheckstatus_command=c\n",
         DRV_INI_INCOMPLETE},
        {"no path", "install_command=i\nuninstall_command=u\n", DRV_INI_INCOMPLETE},
        {"keys are case-sensitive", "Vexa_path=d\ninstall_command=i\nuninstall_command=u\n",
         DRV_INI_INCOMPLETE},
        {"empty", "", DRV_INI_INCOMPLETE},
        {"last line without line end", "vexa_path=d\ninstall_command=i\nuninstall_command=u", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        unlink(DRIVER_INI_FILE);
        if (c.text) writeIni(c.text);
        CLinuxTessel os;
        EXPECT_EQ(os.GetConfiguration(), c.expected);
    }
}

TEST_F(LinuxTesselTest, ConfigurationValuesLoseOnlyTheirLineEnd) {
    writeIni("# comment without equals sign\r\n"
             "vexa_path=/opt/x=y\r\n"
             "install_command=./install.sh -q\n"
             "uninstall_command=./uninstall.sh" + std::string(300, 'z') + "\n"
             "checkstatus_command=\n"
             "uninstall_command=./uninstall.sh");
    CLinuxTessel os;
    ASSERT_EQ(os.GetConfiguration(), 0);
    EXPECT_STREQ(os.VexaPath(), "/opt/x=y"); // split at the first "="
    EXPECT_STREQ(os.InstallCommand(), "./install.sh -q");
    EXPECT_STREQ(os.UninstallCommand(), "./uninstall.sh"); // the later line wins, whole
    EXPECT_STREQ(os.CheckstatusCommand(), "");

    std::string key, value;
    EXPECT_FALSE(CDriverOS::ParseIniOneLine("no equals\n", &key, &value));
    const std::string longLine = "k=" + std::string(400, 'v');
    EXPECT_TRUE(CDriverOS::ParseIniOneLine(longLine.c_str(), &key, &value));
    EXPECT_EQ(key, "k");
    EXPECT_EQ(value.size(), 255u);
}

TEST_F(LinuxTesselTest, InstallRunsItsCommandInTheDriverFolderAndComesBack) {
    ASSERT_EQ(mkdir("stack", 0755), 0);
    writeIni("vexa_path=stack\n"
             "install_command=pwd > installed.txt; exit 41\n"
             "uninstall_command=pwd > removed.txt\n");
    CLinuxTessel os;
    EXPECT_EQ(os.Install(), LAUNCH_CLASS_41);
    EXPECT_TRUE(os.Installed());
    EXPECT_EQ(currentDir(), here_);
    EXPECT_EQ(vtest::readFile(dir_.file("stack/installed.txt")), here_ + "/stack\n");

    EXPECT_EQ(os.Uninstall(), 0);
    EXPECT_FALSE(os.Installed());
    EXPECT_EQ(currentDir(), here_);
    EXPECT_EQ(vtest::readFile(dir_.file("stack/removed.txt")), here_ + "/stack\n");
}

TEST_F(LinuxTesselTest, InstallFailuresLeaveTheWorkingDirectoryAlone) {
    CLinuxTessel os;
    EXPECT_EQ(os.Install(), DRV_INI_MISSING);
    EXPECT_FALSE(os.Installed());

    writeIni("vexa_path=no/such/folder\ninstall_command=touch ran\nuninstall_command=u\n");
    EXPECT_EQ(os.Install(), DRV_CHDIR_FAILED);
    EXPECT_FALSE(os.Installed());
    EXPECT_EQ(currentDir(), here_);
    EXPECT_FALSE(vtest::fileExists(dir_.file("ran")));
    EXPECT_EQ(os.ChangeDrive(), DRV_CHDIR_FAILED);
    EXPECT_EQ(currentDir(), here_);

    // Without a configuration there is nothing to uninstall with.
    CLinuxTessel fresh;
    EXPECT_EQ(fresh.Uninstall(), DRV_CHDIR_FAILED);
    EXPECT_EQ(currentDir(), here_);
}

TEST_F(LinuxTesselTest, LibrariesAreLoadedByNameWithImmediateBinding) {
    CLinuxTessel os;
    EXPECT_EQ(os.LoadDll("libno-such-library-here.so"), nullptr);
    EXPECT_EQ(os.LoadDll(nullptr), nullptr);
    void* libc = os.LoadDll("libc.so.6");
    ASSERT_NE(libc, nullptr);
    EXPECT_NE(os.GetDllProcAddress(libc, "strlen"), nullptr);
    EXPECT_EQ(os.GetDllProcAddress(libc, "NoSuchEntryPoint"), nullptr);
    EXPECT_EQ(os.GetDllProcAddress(nullptr, "strlen"), nullptr);
    os.FreeDll(libc);
    os.FreeDll(nullptr);
}

} // namespace
