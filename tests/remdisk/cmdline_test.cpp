// ZentCommandLine: how tokens become switches and values, and the server argument helpers.
#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/ZentCommandLine.h"

namespace {

// Parses the tokens as argv[1..] and renders the map as "switch=[v,v] ..." in map order.
std::string parse(const std::vector<std::string>& tokens, int* count = nullptr) {
    std::vector<char*> argv{const_cast<char*>("Remdisk")};
    for (const auto& t : tokens)
        argv.push_back(const_cast<char*>(t.c_str()));
    ZentCommandLine line;
    int n = line.SplitLine(static_cast<int>(argv.size()), argv.data());
    if (count)
        *count = n;
    std::string out;
    for (const char* name : {"-r", "-u", "-p", "-f", "-c", "-D", "-D9", "-N", "-v", "--"}) {
        int values = line.GetArgumentCount(name);
        if (values < 0)
            continue;
        out += std::string(out.empty() ? "" : " ") + name + "=[";
        for (int i = 0; i < values; ++i)
            out += (i ? "," : "") + line.GetArgument(name, i);
        out += "]";
    }
    return out;
}

} // namespace

TEST(ZentCommandLineTest, SplitsTokensIntoSwitchesAndValues) {
    struct {
        std::vector<std::string> tokens;
        std::string map;
        int count;
    } cases[] = {
        {{"-r", "host", "-u", "me"}, "-r=[host] -u=[me]", 2},
        {{"-f", "a", "b", "c", "-v"}, "-f=[a,b,c] -v=[]", 2},
        {{"before", "-r", "h"}, "-r=[h]", 1},
        {{"-r", "first", "-r", "second", "later"}, "-r=[first,later]", 1},
        {{"-D9"}, "-D9=[]", 1},
        {{"-D", "-5", "-"}, "-D=[-5,-]", 1},
        {{"-5", "-", "7"}, "", 0},
        {{"-r", "-u"}, "-r=[] -u=[]", 2},
        {{"--", "x"}, "--=[x]", 1},
        {{"-x", "1", "-y"}, "", 2}, // accepted, counted, not used by the program
    };
    for (const auto& c : cases) {
        int count = -1;
        std::string map = parse(c.tokens, &count);
        std::string label = ::testing::PrintToString(c.tokens);
        EXPECT_EQ(count, c.count) << label;
        EXPECT_EQ(map, c.map) << label;
    }
}

TEST(ZentCommandLineTest, LookupsThrowOrFallBackAndSplitLineStartsAfresh) {
    char* argv1[] = {const_cast<char*>("Remdisk"), const_cast<char*>("-r"), const_cast<char*>("h"),
                     const_cast<char*>("-p"), nullptr};
    ZentCommandLine line;
    ASSERT_EQ(line.SplitLine(4, argv1), 2);
    EXPECT_EQ(line.GetArgument("-r", 0), "h");
    EXPECT_THROW(line.GetArgument("-r", 1), int);
    EXPECT_THROW(line.GetArgument("-r", -1), int);
    EXPECT_THROW(line.GetArgument("-u", 0), int);
    try {
        line.GetArgument("-p", 0);
        FAIL() << "no exception";
    } catch (int value) {
        EXPECT_EQ(value, 0);
    }
    EXPECT_EQ(line.GetSafeArgument("-p", 0, "fallback"), "fallback");
    EXPECT_EQ(line.GetSafeArgument("-u", 0, nullptr), "");
    EXPECT_EQ(line.GetArgumentCount("-p"), 0);
    EXPECT_EQ(line.GetArgumentCount("-u"), -1);
    EXPECT_TRUE(line.HasSwitch("-p"));
    EXPECT_FALSE(line.HasSwitch("-R")); // case-sensitive
    EXPECT_FALSE(line.HasSwitch(nullptr));

    char* argv2[] = {const_cast<char*>("Remdisk"), const_cast<char*>("-u"), const_cast<char*>("x"), nullptr};
    EXPECT_EQ(line.SplitLine(3, argv2), 1);
    EXPECT_FALSE(line.HasSwitch("-r"));
    EXPECT_EQ(line.SplitLine(0, nullptr), 0);
}

TEST(ZentCommandLineTest, IsSwitchNeedsADashAndANonDigit) {
    EXPECT_FALSE(ZentCommandLine::IsSwitch(nullptr));
    EXPECT_FALSE(ZentCommandLine::IsSwitch(""));
    EXPECT_FALSE(ZentCommandLine::IsSwitch("-"));
    EXPECT_FALSE(ZentCommandLine::IsSwitch("-0"));
    EXPECT_FALSE(ZentCommandLine::IsSwitch("r"));
    EXPECT_TRUE(ZentCommandLine::IsSwitch("--"));
    EXPECT_TRUE(ZentCommandLine::IsSwitch("-r"));
    EXPECT_TRUE(ZentCommandLine::IsSwitch("-\xff"));
}

TEST(ZentCommandLineTest, ServerNameAndCredentialsPort) {
    struct {
        const char* arg;
        const char* name;
        int port;
    } cases[] = {
        {"host", "host", 443},
        {"10.0.0.1:8443", "10.0.0.1", 8443},
        {"host:", "host", 0},
        {"host:abc", "host", 0},
        {":443", "", 443},
        {"a:b:c", "a", 0},
        {"a:12:c", "a", 12},
        {"h: 12x", "h", 12},
        {"h:-1", "h", -1},
        {"h:99999999999999999999", "h", INT_MAX},
        {"h:-99999999999999999999", "h", INT_MIN},
        {"", "", 443},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZentCommandLine::GetServerName(c.arg), c.name) << c.arg;
        EXPECT_EQ(ZentCommandLine::GetServerPort(c.arg), c.port) << c.arg;
    }
}
