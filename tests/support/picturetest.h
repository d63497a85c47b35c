#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/harness.h"
#include "support/netpicture.h"

namespace tesseltest {

// A linked harness for tests that build the network picture straight into
// the tables (netpicture.h) and watch what the services send.
class PictureTest : public ::testing::Test {
protected:
    Harness h;
    tessel::TForm1& form = h.form;

    // A user with the defaults of userfields but for its nick and numeric.
    int32_t add(const std::string& nick, const std::string& numeric) {
        return placeuser(form, {.nick = nick, .numeric = numeric});
    }
    std::vector<std::string> flushed() { return h.flushed(); }
};

} // namespace tesseltest
