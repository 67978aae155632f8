// Routes gTrace into a file of a temporary folder for the lifetime of the object, so a test
// can look at the trace lines the code under test wrote.
#pragma once

#include <string>

#include "foundation/ZTrace.h"
#include "test_support.h"

class TraceCapture {
public:
    explicit TraceCapture(int level = 9) {
        trace.Init(level, path.c_str());
        previous = gTrace;
        gTrace = &trace;
    }
    ~TraceCapture() { gTrace = previous; }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::string text() { return vtest::readFile(path); }
    bool has(const std::string& line) { return text().find(line) != std::string::npos; }
    size_t count(const std::string& line) {
        std::string all = text();
        size_t n = 0;
        for (size_t at = all.find(line); at != std::string::npos; at = all.find(line, at + 1))
            ++n;
        return n;
    }

private:
    vtest::TempDir dir;
    std::string path = dir.file("trace.txt");
    ZTrace trace;
    ZTrace* previous = nullptr;
};
