// Console output layer: routing by class and display state, the prompt, spinner and log file.
#include "cli/console.h"
#include "cli/logger.h"
#include "test_support.h"
#include "upflash_fixtures.h"

#include <gtest/gtest.h>

#include <chrono>

using upftest::ConsoleCapture;

namespace {

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override { upftest::resetModules(); }
    void TearDown() override { upftest::resetModules(); }
};

// Where a text of each class goes in each display state: per state (NORMAL, QUIET, DEBUG,
// XML, REVISION, REVISION_DEBUG) 'o' standard output, 'e' standard error, '-' nowhere.
struct Route {
    int cls;
    const char* perState;
    bool logged;
};

const Route kRoutes[] = {
    {PRT_NORMAL, "o-o-oo", true},
    {PRT_ERROR, "eee-ee", true},
    {PRT_DEBUG, "--o--o", true},
    {PRT_HELP, "o-o-oo", true},
    {PRT_PROGRESS, "o-o-oo", false},
    {PRT_STATUS, "o-o-oo", false},
    {0, "------", false},
    {7, "------", false},
};

TEST_F(ConsoleTest, RoutesEveryClassInEveryDisplayStateToConsoleAndLog) {
    vtest::TempDir dir;
    for (int state = DISPLAY_NORMAL; state <= DISPLAY_REVISION_DEBUG; ++state) {
        for (const Route& r : kRoutes) {
            SCOPED_TRACE("state " + std::to_string(state) + " class " + std::to_string(r.cls));
            ConsoleCapture cap;
            std::string log = dir.file("log" + std::to_string(state) + "_" + std::to_string(r.cls));
            upftest::Argv args({"-l=x"});
            ASSERT_EQ(set_log_file(log.c_str(), args.argc(), args.argv()), 0);
            set_display_state(state);
            const char where = r.perState[state];
            const int ret = display_redirection(r.cls, "text\r\n");
            EXPECT_EQ(cap.out(), where == 'o' ? "text\r\n" : "");
            EXPECT_EQ(cap.err(), where == 'e' ? "text\r\n" : "");
            const bool consoleReturn = where != '-' || r.cls == PRT_ERROR;
            EXPECT_EQ(ret, consoleReturn ? DISPLAY_WRITTEN : DISPLAY_NOT_WRITTEN);
            close_log_file();
            EXPECT_EQ(vtest::readFile(log), std::string("upflash -l=x \n") + (r.logged ? "text\r\n" : ""));
        }
    }
}

TEST_F(ConsoleTest, DisplayStateAboveFiveIsIgnored) {
    EXPECT_EQ(set_display_state(DISPLAY_XML), DISPLAY_XML);
    EXPECT_EQ(set_display_state(6), 6);
    EXPECT_EQ(get_display_state(), DISPLAY_XML);
    set_display_state(-1);
    EXPECT_EQ(get_display_state(), DISPLAY_XML);
}

struct PromptCase {
    const char* input;
    int answer;
    int timesAsked;
    const char* unread;
};

TEST_F(ConsoleTest, PromptAcceptsOnlySingleLetterAnswersAndTakesEndOfInputAsNo) {
    const PromptCase cases[] = {
        {"y\n", PROMPT_YES, 1, ""},
        {"Y\nrest\n", PROMPT_YES, 1, "rest\n"}, // piped input after the answer is not thrown away
        {"n\n", PROMPT_NO, 1, ""},
        {"N\n", PROMPT_NO, 1, ""},
        {"yes\ny\n", PROMPT_YES, 2, ""},
        {"\nx\nn\n", PROMPT_NO, 3, ""},
        {"y", PROMPT_YES, 1, ""},         // last line without its line end
        {"", PROMPT_NO, 1, ""},           // end of input at once
        {"yes\n", PROMPT_NO, 2, ""},      // re-asked, then end of input
        {"x", PROMPT_NO, 1, ""},
    };
    const std::string q = "   Continue (Y/N)?";
    for (const PromptCase& c : cases) {
        SCOPED_TRACE(std::string("input \"") + c.input + "\"");
        ConsoleCapture cap(c.input);
        EXPECT_EQ(prompt_user(PRT_NORMAL, q.c_str()), c.answer);
        std::string expected;
        for (int i = 0; i < c.timesAsked; ++i) expected += q;
        const std::string in(c.input);
        const bool endOfInput = c.answer == PROMPT_NO && in.find('n') == std::string::npos &&
                                in.find('N') == std::string::npos;
        if (endOfInput) expected += "\n";
        EXPECT_EQ(cap.out(), expected);
        EXPECT_EQ(cap.unreadInput(), c.unread);
    }
}

TEST_F(ConsoleTest, PromptSaysYesWithoutAskingWhenNobodyCanSeeIt) {
    for (int state : {DISPLAY_QUIET, DISPLAY_XML, DISPLAY_REVISION, DISPLAY_REVISION_DEBUG}) {
        ConsoleCapture cap("n\n");
        set_display_state(state);
        EXPECT_EQ(prompt_user(PRT_NORMAL, "   Q?"), PROMPT_YES);
        EXPECT_EQ(cap.out(), "");
        EXPECT_EQ(cap.unreadInput(), "n\n");
    }
    // A question whose class keeps it off the console counts as yes, and reads nothing.
    ConsoleCapture cap("n\n");
    set_display_state(DISPLAY_NORMAL);
    EXPECT_EQ(prompt_user(PRT_DEBUG, "   Q?"), PROMPT_YES);
    EXPECT_EQ(cap.unreadInput(), "n\n");
    // In the debug state the question is asked.
    ConsoleCapture cap2("n\n");
    set_display_state(DISPLAY_DEBUG);
    EXPECT_EQ(prompt_user(PRT_NORMAL, "   Q?"), PROMPT_NO);
}

TEST_F(ConsoleTest, ClearLineAndSpinnerSteps) {
    ConsoleCapture cap;
    clear_line();
    EXPECT_EQ(cap.out(), "\r" + std::string(74, ' ') + "\r");

    const std::string blank40 = "\r" + std::string(40, ' ') + "\r";
    const struct { int counter; std::string text; } steps[] = {
        {32767, "\r  Waiting \\"}, {32766, "\r  Waiting |"}, {32765, "\r  Waiting /"},
        {32764, "\r  Waiting -"},  {1, "\r  Waiting /"},    {0, blank40}, {-3, blank40},
    };
    for (const auto& s : steps) {
        ConsoleCapture c;
        BeautifyDelayPrintout(s.counter, " Waiting");
        EXPECT_EQ(c.out(), s.text) << s.counter;
    }
    // Spinner lines are transient: never in the quiet state, never in the log.
    vtest::TempDir dir;
    upftest::Argv args({});
    ASSERT_EQ(set_log_file(dir.file("log").c_str(), args.argc(), args.argv()), 0);
    ConsoleCapture quiet;
    set_display_state(DISPLAY_QUIET);
    BeautifyDelayPrintout(5, "x");
    close_log_file();
    EXPECT_EQ(quiet.out(), "");
    EXPECT_EQ(vtest::readFile(dir.file("log")), "upflash \n");
}

TEST_F(ConsoleTest, LogFileThatCannotBeCreatedIsReportedAndTheRunGoesOn) {
    ConsoleCapture cap;
    upftest::Argv args({"-l=/no/such/dir/x.log"});
    EXPECT_EQ(set_log_file("/no/such/dir/x.log", args.argc(), args.argv()), 4);
    EXPECT_EQ(cap.err(), " Cannot create /no/such/dir/x.log \n");
    EXPECT_EQ(display_redirection(PRT_NORMAL, "still here\n"), DISPLAY_WRITTEN);
}

TEST_F(ConsoleTest, FailedLogWriteDisablesLoggingOnce) {
    ConsoleCapture cap;
    upftest::Argv args({"-l=/dev/full"});
    // The command line itself does not fit: logging stops right there, with one message.
    set_log_file("/dev/full", args.argc(), args.argv());
    display_redirection(PRT_NORMAL, "a\n");
    display_redirection(PRT_ERROR, "b\n");
    EXPECT_EQ(cap.err(), "Error while writing to log file. Logging is disabled.\nb\n");
    EXPECT_EQ(cap.out(), "a\n");
}

TEST_F(ConsoleTest, LoggerIsSilencedByNegativeLevel) {
    ConsoleCapture cap;
    Logger::Write("\r   Please wait... %c", '-');
    Logger::LogLevel(-1);
    Logger::Write("hidden %d", 1);
    Logger::LogLevel(0);
    Logger::Write("%s", "\r                   \r");
    EXPECT_EQ(cap.out(), "\r   Please wait... -\r                   \r");
}

TEST_F(ConsoleTest, DelayMsSleepsAtLeastThatLong) {
    auto start = std::chrono::steady_clock::now();
    DelayMS(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

} // namespace
