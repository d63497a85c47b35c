#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/botfixture.h"
#include "support/lines.h"
#include "support/tempdir.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

const std::string kDenied =
    "Access denied. If this is your nick, type /msg NickServ IDENTIFY <password>";
const std::string kAlice = "AKAAA";
const std::string kBob = "AKAAB";

class MemoServ : public BotTest {
protected:
    // "Bob" is registered and offline; alice uses the nick registered as
    // "Alice" and is identified to it.
    void SetUp() override {
        offlinerecord("Bob");
        identifiedas("Alice", "alice", kAlice);
    }

    // A user on `nick`, identified to the registration `regnick` (the same
    // name in another case).
    int32_t identifiedas(const std::string& regnick, const std::string& nick,
                         const std::string& numeric) {
        if (h.form.GETNS(regnick) < 0) offlinerecord(regnick);
        const int32_t u = h.adduser(nick, numeric, "", "user", "host.example", 2000);
        say(numeric, "IDENTIFY secret", kNickServAt);
        return u;
    }

    Lines memo(const std::string& from, const std::string& text) {
        return say(from, text, kMemoServ);
    }
    static std::string frommemo(const std::string& to, const std::string& text) {
        return notice(to, text, kMemoServ);
    }
    tessel::Tnickserv& bob() { return record("Bob"); }
    int memocount(const std::string& nick) {
        int n = 0;
        for (int i = 0; i < tessel::kMemoSlots; ++i)
            if (!record(nick).memos[i].sender.empty()) ++n;
        return n;
    }
};

} // namespace

TEST_F(MemoServ, HelpHasATextForEveryCommand) {
    const Lines overview = {
        "Memoserv allows leaving a message for someone who is not currently online. Both the "
        "sender and the receipent must have a registered nick.",
        "MemoServ commands",
        "===================================",
        "SEND        READ        DEL",
        "CLEAR       LIST        HELP",
        "Use HELP <command> to get more help about a command"};
    // Help needs no registration.
    h.adduser("guest", "AKAAG");
    converse("AKAAG", kMemoServ,
             {
                 {"help", overview},
                 {"HELP bogus", overview},
                 {"help help", overview},
                 {"help send",
                  {"SEND <nick> <message>", "Sends a message to the mailbox of the receipent. The "
                                            "receipent must be a registered nick."}},
                 {"help Read", {"READ <number>", "Displays a message from your mailbox"}},
                 {"help del", {"DEL <number>", "Deletes a message from your mailbox"}},
                 {"help clear", {"CLEAR deletes all messages from your mailbox."}},
                 {"help list",
                  {"LIST shows the messages in your mailbox, and who sent them, and how long "
                   "ago."}},
             });
}

TEST_F(MemoServ, ParametersAreCheckedBeforeIdentificationOnlyWhereTheCommandSaysSo) {
    // The refusal names NickServ literally, whatever its configured nick.
    h.form.cfg.nicknick = "Warden";
    // One sender without a registration, one on a registered nick who has
    // not identified.
    h.adduser("guest", "AKAAG");
    offlinerecord("Carol");
    h.adduser("Carol", "AKAAC", "", "user", "host.example", 2000);
    for (const std::string& from : {std::string("AKAAG"), std::string("AKAAC")}) {
        SCOPED_TRACE(from);
        converse(from, kMemoServ,
                 {
                     {"send", {"Not enough parameters. Syntax is SEND <nick> <message>"}},
                     {"send Bob", {"Not enough parameters. Syntax is SEND <nick> <message>"}},
                     {"send Bob hello", {kDenied}},
                     {"send nobody hello", {kDenied}},
                     {"list", {kDenied}},
                     {"read", {kDenied}},
                     {"read 1", {kDenied}},
                     {"del", {"Not enough parameters. Syntax is DEL <number>"}},
                     {"del 1", {kDenied}},
                     {"clear", {kDenied}},
                     {"frob", {"Unknown command: frob. Type /msg MemoServ HELP for a list of "
                               "commands."}},
                 });
    }
    EXPECT_EQ(memocount("Bob"), 0);
}

TEST_F(MemoServ, SendRefusesUnregisteredAndIgnoringRecipients) {
    identifiedas("Dave", "dave", "AKAAD");
    say("AKAAD", "ignore add ALICE");
    converse(kAlice, kMemoServ,
             {
                 {"send NoSuchNick hi", {"NoSuchNick A message can only be sent to a registered "
                                         "nick."}},
                 {"send DAVE hi", {"DAVE You are on this user's IGNORE list."}},
                 {"send bob hi", {"Message has been sent to bob's mailbox"}},
             });
    EXPECT_EQ(memocount("Dave"), 0);
}

TEST_F(MemoServ, StoredTextHasSingleBlanksAndTheSenderAsRegistered) {
    EXPECT_EQ(memo(kAlice, "send  BOB   :hello    there   you  "),
              Lines{frommemo(kAlice, "Message has been sent to BOB's mailbox")});
    const tessel::tmemo& m = bob().memos[0];
    EXPECT_EQ(m.sender, "Alice");
    EXPECT_EQ(m.text, "hello there you ");
    EXPECT_EQ(m.sent, h.form.clock.now);
}

TEST_F(MemoServ, TheMailboxHoldsThirtyOneMemos) {
    for (int i = 1; i <= 31; ++i)
        ASSERT_EQ(memo(kAlice, "send bob memo " + std::to_string(i)),
                  Lines{frommemo(kAlice, "Message has been sent to bob's mailbox")})
            << i;
    EXPECT_EQ(memo(kAlice, "send BoB one more"),
              Lines{frommemo(kAlice, "BoB's mailbox is full. Message not sent.")});
    EXPECT_EQ(bob().memos[30].text, "memo 31 ");

    identifiedas("Bob", "bob", kBob);
    converse(kBob, kMemoServ,
             {
                 {"read 31", {"(Alice) memo 31 "}},
                 {"del 31", {"Message #31 has been deleted"}},
                 {"read 31", {"There is no message number 31"}},
             });
    EXPECT_EQ(memo(kAlice, "send bob again"),
              Lines{frommemo(kAlice, "Message has been sent to bob's mailbox")});
    EXPECT_EQ(bob().memos[30].text, "again ");
}

TEST_F(MemoServ, ListShowsNumberSenderAndAgeThenTheReadHint) {
    h.form.cfg.memonick = "Postman";
    identifiedas("Bob", "bob", kBob);
    converse(kBob, kMemoServ, {{"list", {"Your mailbox is empty."}}});
    memo(kAlice, "send bob first");
    h.form.clock.now += 59;
    for (int i = 2; i <= 10; ++i)
        memo(kAlice, "send bob memo " + std::to_string(i));
    h.form.clock.now += 90061;
    Lines expected = {"Number  Sender  Time",
                      "1   Alice" + std::string(21, ' ') + "1 days, 1:02:00"};
    for (int i = 2; i <= 9; ++i)
        expected.push_back(std::to_string(i) + "   Alice" + std::string(21, ' ') +
                           "1 days, 1:01:01");
    expected.push_back("10  Alice" + std::string(21, ' ') + "1 days, 1:01:01");
    expected.push_back("Type /msg Postman READ <number> to read a message");
    converse(kBob, kMemoServ, {{"LIST", expected}});
}

TEST_F(MemoServ, ReadOneOrAllAndTheNumberRules) {
    identifiedas("Bob", "bob", kBob);
    converse(kBob, kMemoServ, {{"read", {"There are no messages."}}});
    memo(kAlice, "send bob hello there");
    memo(kAlice, "send bob second one");
    converse(kBob, kMemoServ,
             {
                 {"read", {"(Alice) hello there ", "(Alice) second one "}},
                 {"read 2", {"(Alice) second one "}},
                 {"read 02", {"(Alice) second one "}},
                 {"read 3", {"There is no message number 3"}},
                 {"read 0", {"There is no message number 0"}},
                 {"read 32", {"There is no message number 32"}},
                 {"read 1000", {"There is no message number -1"}},
                 {"read abc", {"There is no message number -1"}},
                 {"read -1", {"There is no message number -1"}},
                 {"del 0", {"There is no message number 0"}},
                 {"del 32", {"There is no message number 32"}},
                 {"del 1000", {"There is no message number -1"}},
                 {"del abc", {"There is no message number -1"}},
                 {"del 3", {"There is no message number 3"}},
             });
    EXPECT_EQ(memocount("Bob"), 2);
}

TEST_F(MemoServ, DeleteMovesLaterMemosDown) {
    identifiedas("Carol", "carol", "AKAAC");
    identifiedas("Bob", "bob", kBob);
    memo(kAlice, "send bob one");
    memo("AKAAC", "send bob two");
    memo(kAlice, "send bob three");
    const std::string pad(21, ' ');
    converse(kBob, kMemoServ,
             {
                 {"del 1", {"Message #1 has been deleted"}},
                 {"list",
                  {"Number  Sender  Time", "1   Carol" + pad + "0 days, 0:00:00",
                   "2   Alice" + pad + "0 days, 0:00:00",
                   "Type /msg MemoServ READ <number> to read a message"}},
                 {"read 1", {"(Carol) two "}},
                 {"read 3", {"There is no message number 3"}},
                 {"del 2", {"Message #2 has been deleted"}},
                 {"read", {"(Carol) two "}},
                 {"clear", {"All messages have been deleted"}},
                 {"read", {"There are no messages."}},
                 {"list", {"Your mailbox is empty."}},
                 {"clear", {"All messages have been deleted"}},
             });
}

TEST_F(MemoServ, FirstMemoToAnIdentifiedOwnerIsAnnouncedOnce) {
    identifiedas("Bob", "bob", kBob);
    const std::string sent = frommemo(kAlice, "Message has been sent to bob's mailbox");
    const std::string one = "ABAAC O AKAAB :You have one memo. Type /msg MemoServ READ 1 to read it.";
    EXPECT_EQ(memo(kAlice, "send bob one"), (Lines{sent, one}));
    EXPECT_EQ(memo(kAlice, "send bob two"), Lines{sent});
    memo(kBob, "clear");
    EXPECT_EQ(memo(kAlice, "send bob three"), (Lines{sent, one}));

    // An offline owner hears of the memos when identifying.
    h.feed("AKAAB Q :later");
    memo(kAlice, "send bob four");
    h.adduser("bob", kBob, "", "user", "host.example", 3000);
    EXPECT_EQ(say(kBob, "identify secret", kNickServAt),
              (Lines{notice(kBob, "Password accepted, you are now recognized."),
                     "ABAAC O AKAAB :You have 2 memos. Type /msg MemoServ LIST to see them."}));
}

TEST_F(MemoServ, TheAnnouncementTokenFollowsTheOwnersPreferenceOnly) {
    identifiedas("Bob", "bob", kBob);
    say(kBob, "set privmsg on");
    EXPECT_EQ(memo(kAlice, "send bob one"),
              (Lines{frommemo(kAlice, "Message has been sent to bob's mailbox"),
                     "ABAAC P AKAAB :You have one memo. Type /msg MemoServ READ 1 to read it."}));
    // Replies follow MSGCOMMAND; the announcement keeps NOTICE for an owner
    // without the preference.
    memo(kBob, "clear");
    say(kBob, "set privmsg off");
    h.form.cfg.msgcommand = "P";
    EXPECT_EQ(memo(kAlice, "send bob two"),
              (Lines{"ABAAC P AKAAA :Message has been sent to bob's mailbox",
                     "ABAAC O AKAAB :You have one memo. Type /msg MemoServ READ 1 to read it."}));
    // The sender's own preference turns the reply itself into PRIVMSG.
    say(kAlice, "set privmsg on");
    EXPECT_EQ(memo(kAlice, "send bob three"),
              Lines{"ABAAC PRIVMSG AKAAA :Message has been sent to bob's mailbox"});
}

TEST_F(MemoServ, MemosAreWrittenToTheNickFile) {
    TempDir dir;
    WorkingDir here(dir.path());
    memo(kAlice, "send bob hello   there");
    h.form.clock.now += 5;
    memo(kAlice, "send bob a: b");
    ASSERT_TRUE(h.form.SAVENICKSERV());
    const std::string now = std::to_string(h.form.clock.now);
    const std::string before = std::to_string(h.form.clock.now - 5);
    std::vector<std::string> lines;
    std::string file = dir.read("nickserv.db");
    for (size_t start = 0, end; start < file.size(); start = end + 1) {
        end = file.find('\n', start);
        if (end == std::string::npos) end = file.size();
        lines.push_back(file.substr(start, end - start));
    }
    EXPECT_EQ(startingwith(lines, "memo="),
              (Lines{"memo=Alice " + before + " :hello there ", "memo=Alice " + now + " :a: b "}));
}
