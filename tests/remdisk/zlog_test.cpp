// ZLog line format and bounds, and how ZComponentLog trees forward to their base.
#include <regex>
#include <unistd.h>

#include <gtest/gtest.h>

#include "foundation/ZComponentLog.h"
#include "foundation/ZLog.h"
#include "test_support.h"

namespace {

// A ZLog writing into a file of a temporary folder.
struct FileLog {
    vtest::TempDir dir;
    std::string path = dir.file("log.txt");
    FILE* stream = fopen(path.c_str(), "w+");
    ZLog log{"base", stream};
    FileLog() { log.setShowTimestamp(false); }
    ~FileLog() { fclose(stream); }
    std::string text() {
        fflush(stream);
        return vtest::readFile(path);
    }
};

} // namespace

TEST(ZLogTest, FormatsNameTextAndOptionalTimestamp) {
    FileLog f;
    f.log.print("plain %i\n", 1);
    f.log.print(ZLog::ERROR, "level %s\n", "ignored");
    EXPECT_EQ(f.text(), "base -plain 1\nbase -level ignored\n");

    FileLog stamped;
    stamped.log.setShowTimestamp(true);
    stamped.log.print("x\n");
    EXPECT_TRUE(std::regex_match(stamped.text(),
                                 std::regex(R"(\d{1,2}/\d{1,2}/\d{4} \d{1,2}:\d{1,2}:\d{1,2} base -x\n)")))
        << stamped.text();
}

TEST(ZLogTest, CutsEntriesLongerThanItsLineBuffer) {
    FileLog f;
    ASSERT_EQ(f.log.lineCapacity(), 1024u);
    std::string huge(5000, 'y');
    f.log.print("%s", huge.c_str());
    std::string text = f.text();
    EXPECT_EQ(text.size(), 1023u);
    EXPECT_EQ(text.substr(0, 7), "base -y");

    ZLog named("n");
    EXPECT_EQ(named.lineCapacity(), 4096u);
}

TEST(ZLogTest, NameOnlyLogIsDisabledAndNullStreamOpensDebugLogInTheWorkingFolder) {
    vtest::TempDir dir;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    {
        ZLog quiet("quiet");
        quiet.print("dropped\n");
        EXPECT_FALSE(vtest::fileExists(dir.file("debug.log")));
        EXPECT_EQ(quiet.setOutputFile((dir.path() + "/no/such/folder/x").c_str()), -1);

        ZLog fallback("fb", nullptr);
        fallback.setShowTimestamp(false);
        fallback.print("into debug.log\n");
    }
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(vtest::readFile(dir.file("debug.log")), "fb -into debug.log\n");

    ZLog named("named");
    ASSERT_EQ(named.setOutputFile(dir.file("out.txt").c_str()), 0);
    named.setShowTimestamp(false);
    named.print("still disabled\n");
    named.setEnabled(true);
    named.print("enabled\n");
    EXPECT_EQ(vtest::readFile(dir.file("out.txt")), "named -enabled\n");
}

TEST(ZLogTest, EchoesToConsoleWhenAsked) {
    FileLog f;
    f.log.setEchoToConsole(true);
    testing::internal::CaptureStdout();
    f.log.print("both\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "base -both\n");
    EXPECT_EQ(f.text(), "base -both\n");
}

TEST(ZComponentLogTest, SwallowsLinesUntilAttachedThenForwardsForItsWholeTree) {
    FileLog f;
    ZComponentLog root("root"), child("child"), grandchild("grandchild"), late("late");
    child.addChildLog(grandchild);
    root.addChildLog(child);
    root.logInfo("root before\n");
    grandchild.logError("grandchild before\n");
    EXPECT_EQ(root.getParentLog(), nullptr);

    root.setBaseLog(f.log);
    EXPECT_EQ(grandchild.getParentLog(), &f.log);
    grandchild.logWarning("from %s\n", "grandchild");
    root.addChildLog(late); // a child added after attaching follows at once
    late.logTrace("late\n");
    late.setEnabled(false);
    late.print("disabled\n");
    EXPECT_EQ(f.text(), "base -from grandchild\nbase -late\n");

    root.removeChildLog(child);
    ZComponentLog copy;
    copy = root;
    EXPECT_EQ(copy.getParentLog(), &f.log);
    EXPECT_EQ(copy.getName(), "root");
}
