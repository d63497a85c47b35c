#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/botfixture.h"
#include "registry/encodepass.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

const std::string kDenied =
    "Access denied. If this is your nick, type /msg NickServ IDENTIFY <password>";

class NickServSettings : public BotTest {
protected:
    // Everything alice (AKAAA) is sent back.
    Lines ask(const std::string& text) { return say("AKAAA", text); }
    Lines to(const std::string& text) { return Lines{notice("AKAAA", text)}; }
};

} // namespace

TEST_F(NickServSettings, OwnRecordCommandsNeedIdentification) {
    offlinerecord("alice");
    h.adduser("alice", "AKAAA", "", "user", "host.example", 2000);
    for (const char* text : {"access", "access add *@x", "ignore list", "set email a@b",
                             "set url http://x", "set privmsg on", "set private on"})
        EXPECT_EQ(ask(text), to(kDenied)) << text;
    EXPECT_EQ(record("alice").email, "alice@mail.example");
    EXPECT_FALSE(record("alice").privmsg);
}

TEST_F(NickServSettings, AccessAddAndDelCompareCaseInsensitivelyAndKeepTheTypedCase) {
    registered("alice", "AKAAA");
    EXPECT_EQ(ask("access"),
              (Lines{notice("AKAAA", "*@*"), notice("AKAAA", "End of ACCESS list")}));
    EXPECT_EQ(ask("access add *@*"), to("*@* mask is already in your ACCESS list."));
    EXPECT_EQ(ask("access add"), to("Not enough parameters. Syntax is ACCESS ADD <mask>"));
    EXPECT_EQ(ask("access add Al@Home.Example"),
              to("Al@Home.Example mask has been added to your ACCESS list."));
    EXPECT_EQ(ask("ACCESS ADD al@home.EXAMPLE"),
              to("al@home.EXAMPLE mask is already in your ACCESS list."));
    EXPECT_EQ(ask("access del AL@HOME.example"),
              to("AL@HOME.example mask has been deleted from your ACCESS list."));
    EXPECT_EQ(ask("access del al@home.example"),
              to("al@home.example mask is not in your ACCESS list."));
    EXPECT_EQ(ask("access del"), to("Not enough parameters. Syntax is ACCESS DEL <mask>"));
    EXPECT_EQ(ask("access add x@Y"), to("x@Y mask has been added to your ACCESS list."));
    EXPECT_EQ(ask("access list"), (Lines{notice("AKAAA", "*@*"), notice("AKAAA", "x@Y"),
                                         notice("AKAAA", "End of ACCESS list")}));
    // The freed slot 1 is taken again before the later ones.
    EXPECT_EQ(record("alice").access[1], "x@Y");

    EXPECT_EQ(ask("access del *@*"), to("*@* mask has been deleted from your ACCESS list."));
    EXPECT_EQ(ask("access del x@y"), to("x@y mask has been deleted from your ACCESS list."));
    EXPECT_EQ(ask("access"), to("Your ACCESS list is empty"));
}

TEST_F(NickServSettings, AccessListHoldsTenMasks) {
    registered("alice", "AKAAA");
    for (int i = 1; i < 10; ++i) {
        std::string mask = "m" + std::to_string(i) + "@host";
        ASSERT_EQ(ask("access add " + mask),
                  to(mask + " mask has been added to your ACCESS list."));
    }
    EXPECT_EQ(ask("access add eleventh@host"), to("eleventh@host Your ACCESS list is full."));
    EXPECT_EQ(ask("access add m9@HOST"), to("m9@HOST mask is already in your ACCESS list."));
}

TEST_F(NickServSettings, IgnoreListNumbersShownEntriesWithoutGaps) {
    registered("alice", "AKAAA");
    EXPECT_EQ(ask("ignore list"), to("Your IGNORE list is empty"));
    EXPECT_EQ(ask("ignore add"), to("Not enough parameters. Syntax is IGNORE ADD <nick>"));
    for (const char* nick : {"Bob", "carol", "Dave"})
        EXPECT_EQ(ask(std::string("ignore add ") + nick),
                  to(std::string(nick) + " nick has been added to your IGNORE list."));
    EXPECT_EQ(ask("ignore add BOB"), to("nick BOB is already in your IGNORE list."));
    EXPECT_EQ(ask("ignore del CAROL"), to("CAROL nick has been deleted from your IGNORE list."));
    EXPECT_EQ(ask("ignore del 2"), to("2 nick is not in your IGNORE list."));
    EXPECT_EQ(ask("ignore del"), to("Not enough parameters. Syntax is IGNORE DEL <nick|number>"));
    EXPECT_EQ(ask("ignore"), (Lines{notice("AKAAA", "1   Bob"), notice("AKAAA", "2   Dave"),
                                    notice("AKAAA", "End of IGNORE list")}));
}

TEST_F(NickServSettings, IgnoreListHoldsSixteenNicks) {
    registered("alice", "AKAAA");
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(ask("ignore add n" + std::to_string(i)).size(), 1u);
    EXPECT_EQ(ask("ignore add late"), to("Your IGNORE list is full."));
    Lines list = ask("ignore list");
    ASSERT_EQ(list.size(), 17u);
    EXPECT_EQ(list[9], notice("AKAAA", "10  n9"));
}

TEST_F(NickServSettings, SetEmailAndUrlTakeTheWordAsTyped) {
    registered("alice", "AKAAA");
    EXPECT_EQ(ask("set email New@Mail.Example"), to("Your email information has been changed."));
    EXPECT_EQ(ask("set url HTTP://Example.org/~a"), to("Your URL information has been changed."));
    EXPECT_EQ(record("alice").email, "New@Mail.Example");
    EXPECT_EQ(record("alice").url, "HTTP://Example.org/~a");
    EXPECT_EQ(ask("set url"), to("Your URL information has been changed."));
    EXPECT_EQ(record("alice").url, "");
}

TEST_F(NickServSettings, SetUnknownOptionExplainsTheSyntax) {
    h.adduser("nobody", "AKAAA");
    const std::string reply = "Invalid parameters. Syntax is SET <option>. Type /msg NickServ "
                              "HELP SET for a list of valid options.";
    EXPECT_EQ(ask("set"), to(reply));
    EXPECT_EQ(ask("set colour blue"), to(reply));
}

TEST_F(NickServSettings, SetPrivmsgAndPrivateFollowOnOffOrToggle) {
    registered("alice", "AKAAA");
    struct Case {
        const char* text;
        const char* reply; // nullptr: silent
        bool privmsg, priv;
    } cases[] = {
        {"set privmsg on", "Services now send messages as PRIVMSG", true, false},
        {"set privmsg ON", nullptr, true, false},
        {"set privmsg", "Services now send messages as NOTICE", false, false},
        {"set privmsg off", nullptr, false, false},
        {"set privmsg maybe", "Services now send messages as PRIVMSG", true, false},
        {"set privmsg OFF", "Services now send messages as NOTICE", false, false},
        {"set private", "Your nick information is now private", false, true},
        {"set private on", nullptr, false, true},
        {"set private off", "Your nick information is no longer private", false, false},
    };
    for (const auto& c : cases) {
        Lines expected;
        if (c.reply) expected.push_back(notice("AKAAA", c.reply));
        // Replies go out as PRIVMSG while the preference was on before the message.
        bool wasprivmsg = record("alice").privmsg;
        if (wasprivmsg && c.reply) expected[0] = "ABAAB PRIVMSG AKAAA :" + std::string(c.reply);
        EXPECT_EQ(ask(c.text), expected) << c.text;
        EXPECT_EQ(record("alice").privmsg, c.privmsg) << c.text;
        EXPECT_EQ(record("alice").private_, c.priv) << c.text;
    }
}

TEST_F(NickServSettings, SetPasswordNeedsTheOldPasswordButNotIdentification) {
    offlinerecord("alice", "old");
    int32_t u = h.adduser("alice", "AKAAA", "", "user", "host.example", 2000);
    EXPECT_EQ(ask("set password wrong new"), to("Password incorrect."));
    EXPECT_EQ(ask("set password old"),
              to("Not enough parameters. Syntax is SET PASSWORD <oldpass> <newpass>"));
    EXPECT_EQ(record("alice").password, tessel::encodepass("old", true));
    EXPECT_EQ(ask("set password old New"), to("Your password has been changed."));
    EXPECT_EQ(record("alice").password, tessel::encodepass("New", true));
    EXPECT_FALSE(user(u).identified);

    h.form.cfg.safeidentify = false;
    EXPECT_EQ(ask("identify old"), to("Password incorrect."));
    EXPECT_EQ(ask("identify New"), to("Password accepted, you are now recognized."));
}

TEST_F(NickServSettings, SetPasswordRefusals) {
    h.adduser("nobody", "AKAAA");
    EXPECT_EQ(ask("set password a b"), to("Your nick is not registered."));

    int32_t ns = offlinerecord("bob", "old");
    h.form.nickreg(ns).access.set(0, "*@trusted.example");
    h.adduser("bob", "AKAAB", "", "user", "other.example", 2000);
    h.take();
    EXPECT_EQ(say("AKAAB", "set password old new"),
              Lines{notice("AKAAB", "Your mask does not match the ACCESS list, cannot identify.")});
    EXPECT_EQ(record("bob").password, tessel::encodepass("old", true));
}
