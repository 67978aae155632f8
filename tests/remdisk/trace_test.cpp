// ZTrace: enabling, level filtering, the line prefix, truncation per run and appending after
// Close, and entries from many threads.
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "foundation/ZTrace.h"
#include "test_support.h"

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

const std::regex kPrefix(R"(^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}_\d{3} )");

} // namespace

TEST(TraceTest, WritesNothingUntilInitAndFiltersByLevel) {
    vtest::TempDir dir;
    std::string path = dir.file("trace.txt");
    ZTrace trace;
    trace.TraceLog(0, "before init\n");
    EXPECT_FALSE(trace.isEnabled());

    trace.Init(1, path.c_str());
    trace.TraceLog(0, "%s level %i\n", "zero", 0);
    trace.TraceLog(1, "level one\n");
    trace.TraceLog(2, "level two\n");
    trace.TraceLog(9, "level nine\n");
    auto lines = linesOf(vtest::readFile(path));
    ASSERT_EQ(lines.size(), 3u) << vtest::readFile(path);
    EXPECT_EQ(lines[0].substr(24), "ZTrace::Init: Trace Starting");
    EXPECT_EQ(lines[1].substr(24), "zero level 0");
    EXPECT_EQ(lines[2].substr(24), "level one");
    for (const auto& line : lines)
        EXPECT_TRUE(std::regex_search(line, kPrefix)) << line;

    // The date in the prefix is today's local date.
    time_t now = time(nullptr);
    struct tm local{};
    localtime_r(&now, &local);
    char year[16];
    snprintf(year, sizeof year, "%04i/", local.tm_year + 1900);
    EXPECT_EQ(lines[0].substr(0, 5), year);
}

TEST(TraceTest, EmptiesAnEarlierRunsFileButAppendsAfterClose) {
    vtest::TempDir dir;
    std::string path = dir.file("trace.txt");
    vtest::writeFile(path, "left from an earlier run\n");
    {
        ZTrace trace;
        trace.Init(9, path.c_str());
        trace.TraceLog(3, "first\n");
        trace.Close();
        trace.TraceLog(3, "after close\n");
    }
    std::string text = vtest::readFile(path);
    EXPECT_EQ(text.find("earlier run"), std::string::npos);
    auto lines = linesOf(text);
    ASSERT_EQ(lines.size(), 3u) << text;
    EXPECT_EQ(lines[1].substr(24), "first");
    EXPECT_EQ(lines[2].substr(24), "after close");
}

TEST(TraceTest, NullNameStaysDisabledAndAnUnopenableFileIsRetried) {
    ZTrace silent;
    testing::internal::CaptureStdout();
    silent.Init(3, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Trace File Name Missing\n");
    EXPECT_FALSE(silent.isEnabled());

    vtest::TempDir dir;
    std::string folder = dir.file("later");
    std::string path = folder + "/trace.txt";
    ZTrace trace;
    trace.Init(1, path.c_str()); // the folder does not exist yet: nothing is written
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    trace.TraceLog(0, "now it opens\n");
    auto lines = linesOf(vtest::readFile(path));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(24), "now it opens");
}

TEST(TraceThreadTest, EntriesFromManyThreadsNeverInterleave) {
    vtest::TempDir dir;
    std::string path = dir.file("trace.txt");
    ZTrace trace;
    trace.Init(5, path.c_str());
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&trace, t] {
            for (int i = 0; i < 200; ++i)
                trace.TraceLog(t, "writer %i entry %i %s\n", t, i, "xxxxxxxxxxxxxxxxxxxxxxxx");
        });
    for (auto& w : writers)
        w.join();
    auto lines = linesOf(vtest::readFile(path));
    ASSERT_EQ(lines.size(), 801u);
    const std::regex entry(R"(^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}_\d{3} writer \d entry \d+ x{24}$)");
    for (size_t i = 1; i < lines.size(); ++i)
        ASSERT_TRUE(std::regex_match(lines[i], entry)) << lines[i];
}
