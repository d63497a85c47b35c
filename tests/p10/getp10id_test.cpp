#include <gtest/gtest.h>

#include <string>

#include "support/harness.h"
#include "support/netpicture.h"

using namespace tessel;
using namespace tesseltest;

namespace {

TEST(Getp10id, ResolvesOnlyTheExactNumericOfALiveUser) {
    Harness h;
    TForm1& form = h.form;
    placeserver(form, 2, "small.test", 2, 7, 1); // "AC", eight client slots
    placeserver(form, 3, "nomask.test", 3, 0, 1);
    form.net.servers[3].slots.clear(); // a capacity field that yielded nothing
    userfields s;
    s.nick = "bob";
    s.numeric = "AKAAB";
    const int32_t bob = placeuser(form, s);
    s.nick = "carol";
    s.numeric = "ACAAF";
    const int32_t carol = placeuser(form, s);

    struct Case {
        std::string numeric;
        int32_t user;
    };
    const Case cases[] = {
        {"AKAAB", bob},   {"KAAB", bob}, // 4 characters: one-character server
        {"KAB", bob},                    // 3 characters: one-character server and client
        {"ACAAF", carol}, {"ACAAN", -1}, // masks to carol's slot, but it is not her numeric
        {"AKQAB", -1},                   // the same for the hub's mask
        {"akaab", -1},                   // numerics are case-sensitive
        {"AK", -1},                      // a server numeric, even of a live server
        {"ABAAA", -1},                   // the services' own clients are not users
        {"AZAAB", -1},                   // unknown server
        {"AK-AB", -1},                   // garbage in the client part
        {"A-AAB", -1},                   // garbage in the server part
        {"ADAAA", -1},                   // a server whose slot table is empty
        {"", -1},         {"AKAABC", -1}, {"AKAAC", -1}, // free slot
    };
    for (const Case& c : cases)
        EXPECT_EQ(form.GETP10ID(c.numeric), c.user) << c.numeric;

    form.REMOVEUSER(bob);
    EXPECT_EQ(form.GETP10ID("AKAAB"), -1);
}

} // namespace
