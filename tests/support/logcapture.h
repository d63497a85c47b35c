#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "engine/tform1.h"

namespace tesseltest {

// Points the engine's log at a temporary file with every category on, so a
// test can read back what was logged (without time stamps and date lines).
class LogCapture {
public:
    explicit LogCapture(tessel::TForm1& form);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Every message logged so far, in order.
    std::vector<std::string> lines() const;
    // Logged messages that begin with `prefix`.
    std::vector<std::string> startingwith(const std::string& prefix) const;

private:
    tessel::TForm1& form_;
    FILE* file_;
};

} // namespace tesseltest
