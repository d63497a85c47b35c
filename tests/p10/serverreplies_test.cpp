#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/harness.h"
#include "support/netpicture.h"
#include "support/tempdir.h"

namespace {

using Lines = std::vector<std::string>;
using tesseltest::Harness;
using tesseltest::TempDir;
using tesseltest::WorkingDir;

TEST(ServerReplies, VersionIsOneLineToTheAskingUser) {
    Harness h;
    h.adduser("alice", "AKAAA");
    h.take();
    h.feed("AKAAA V :AB");
    EXPECT_EQ(h.take(),
              Lines{"AB 351 AKAAA tessrv1.2.1.linux.gen services.test :tessel old IRC services"});
}

struct MotdCase {
    const char* name;
    bool present;
    const char* content;
    Lines text; // the 372 lines taken from the file
};

TEST(ServerReplies, MessageOfTheDay) {
    const MotdCase cases[] = {
        {"missing", false, "", {"AB 372 AKAAA :- No MOTD file"}},
        {"empty", true, "", {"AB 372 AKAAA :- No MOTD file"}},
        {"three lines",
         true,
         "Welcome\n\nline three\n",
         {"AB 372 AKAAA :- Welcome", "AB 372 AKAAA :- ", "AB 372 AKAAA :- line three"}},
        {"CR LF line ends", true, "one\r\ntwo\r\n", {"AB 372 AKAAA :- one", "AB 372 AKAAA :- two"}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        WorkingDir cwd(dir.path());
        if (c.present) dir.write("tesselsv.motd", c.content);
        Harness h;
        h.adduser("alice", "AKAAA");
        tesseltest::placenickreg(h.form, "alice");
        tesseltest::placenickreg(h.form, "bob");
        tesseltest::placechanreg(h.form, "#chan", "");
        h.take();
        h.feed("AKAAA MO AB");

        Lines expected = {"AB 375 AKAAA :- services.test Message of the day"};
        expected.insert(expected.end(), c.text.begin(), c.text.end());
        expected.insert(expected.end(), {
                                            "AB 372 AKAAA :-",
                                            "AB 372 AKAAA :- Tessel IRC Services, version "
                                            "1.2.1.linux.gen",
                                            "AB 372 AKAAA :- 2 registered nicks, 1 registered "
                                            "channels",
                                            "AB 376 AKAAA :End of /MOTD command",
                                        });
        EXPECT_EQ(h.take(), expected) << c.name;
    }
}

} // namespace
