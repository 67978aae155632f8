// The process runner underlies every end-to-end test: check it captures output, exit
// status and standard input, and that a hung child is killed instead of hanging the suite.
#include "test_support.h"

#include <gtest/gtest.h>

TEST(TestSupport, RunsProgramsAndCapturesTheirOutput) {
    auto r = vtest::run({"/bin/sh", "-c", "echo out; echo err >&2; exit 3"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "out\n");
    EXPECT_EQ(r.err, "err\n");

    vtest::RunOptions in;
    in.input = "typed\n";
    EXPECT_EQ(vtest::run({"/bin/cat"}, in).out, "typed\n");
}

TEST(TestSupport, KillsAChildThatOutlivesItsLimit) {
    vtest::RunOptions o;
    o.timeoutMs = 300;
    auto r = vtest::run({"/bin/sleep", "30"}, o);
    EXPECT_TRUE(r.timedOut);
}
