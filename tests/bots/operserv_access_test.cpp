#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/operservfixture.h"
#include "bots/services.h"
#include "eventcore/loop.h"
#include "support/tempdir.h"

using namespace tesseltest;

namespace {

enum level { PLAIN, IRCOP, IDENTIFIEDOP, SERVICESOP };
const char* const levelnames[] = {"plain user", "IRC operator", "identified IRC operator",
                                  "Services operator"};

constexpr const char* kIrcOp = ": You have no access to this command. IRC Operator required.";
constexpr const char* kSop = ": You have no access to this command. Services Operator required.";
constexpr const char* kUnidentified = "You have to be identied to use this command.";

struct accessrule {
    std::string name;
    level needed;
    std::string refusal; // "" for commands anyone may use
    bool identified = false; // refuses IRC operators who have not identified
};

const std::vector<accessrule> rules = {
    {"HELP", IRCOP, std::string("HELP") + kIrcOp},
    {"SEEN", IRCOP, std::string("SEEN") + kIrcOp},
    {"GLIST", PLAIN, ""},
    {"SERVERS", PLAIN, ""},
    {"CHANNELS", IRCOP, std::string("CHANNELS") + kIrcOp},
    {"USERS", IRCOP, std::string("USERS") + kIrcOp},
    {"CHANINFO", IRCOP, std::string("CHANINFO") + kIrcOp},
    {"TIME", PLAIN, ""},
    {"WHOIS", PLAIN, ""},
    {"KILL", IRCOP, std::string("KILL") + kIrcOp, true},
    {"INVITE", IRCOP, std::string("INVITE") + kIrcOp, true},
    {"NEWS", IRCOP, std::string("NEWS") + kIrcOp},
    {"SETTIME", IRCOP, "SETTIME: You have no access to this command"},
    {"GLINE", IRCOP, std::string("GLINE") + kSop},
    {"KILLCHANNEL", IRCOP, std::string("KILLCHANNEL") + kIrcOp},
    {"RAW", SERVICESOP, std::string("RAW") + kSop},
    {"OPTIONS", SERVICESOP, std::string("OPTIONS") + kSop},
    {"MODE", SERVICESOP, std::string("MODE") + kSop},
    {"SETNICKPASS", SERVICESOP, std::string("SETNICKPASS") + kSop},
    {"NICKDROP", SERVICESOP, std::string("NICKDROP") + kSop},
    {"JUPE", SERVICESOP, std::string("JUPE") + kSop},
    {"DISCONNECT", SERVICESOP, std::string("DISCONNECT") + kSop},
    {"DIE", SERVICESOP, std::string("DIE") + kSop},
    {"INIT", SERVICESOP, std::string("INIT") + kSop},
    {"RESET", IRCOP, std::string("RESET") + kIrcOp},
    {"RESETGLINE", IRCOP, std::string("RESETGLINE") + kIrcOp},
    {"SAVEDB", SERVICESOP, std::string("SAVEDB") + kSop},
};

const accessrule* ruleof(std::string_view name) {
    for (const accessrule& r : rules)
        if (r.name == name) return &r;
    return nullptr;
}

// One caller of the given kind on a network of its own: some commands end
// the link or the process.
class OneCaller : public OperServTest {
public:
    explicit OneCaller(level kind) {
        if (kind >= IDENTIFIEDOP)
            registered(kind == SERVICESOP ? "sop" : "idop", "AKAAA", "secret", "+o");
        else
            h.adduser("caller", "AKAAA", kind == IRCOP ? "+o" : "");
        h.take();
    }
    void TestBody() override {}
    Lines run(const std::string& text) { return ask("AKAAA", text); }
    tessel::Tuser& caller() { return user(h.form.GETP10ID("AKAAA")); }
    static Lines answer(const std::string& text) { return Lines{os("AKAAA", text)}; }
};

} // namespace

// Every row of OperServ's table, sent bare by each kind of caller: the ones
// below the command's rank get exactly its refusal, the others get the
// command (which, without parameters, still answers or acts).
TEST(OperServAccess, EveryCommandRefusesCallersBelowItsRankWithItsOwnText) {
    TempDir dir;
    WorkingDir in(dir.path()); // SAVEDB and INIT touch the working directory
    size_t rows = 0;
    for (const tessel::tbotcommand& row : tessel::operservcommands()) {
        if (!row.run) continue;
        ++rows;
        const accessrule* rule = ruleof(row.name);
        ASSERT_NE(rule, nullptr) << "no access rule written down for " << row.name;
        for (level kind : {PLAIN, IRCOP, IDENTIFIEDOP, SERVICESOP}) {
            SCOPED_TRACE(std::string(row.name) + " by a " + levelnames[kind]);
            OneCaller net(kind);
            ASSERT_EQ(net.caller().umode_o, kind != PLAIN);
            ASSERT_EQ(net.caller().identified, kind >= IDENTIFIEDOP);
            ASSERT_EQ(net.caller().servicesop, kind == SERVICESOP);
            const Lines sent = net.run(std::string(row.name));
            if (kind < rule->needed) {
                EXPECT_EQ(sent, OneCaller::answer(rule->refusal));
            } else if (rule->identified && kind == IRCOP) {
                EXPECT_EQ(sent, OneCaller::answer(kUnidentified));
            } else if (row.name == "DIE") {
                EXPECT_TRUE(sent.empty());
                EXPECT_TRUE(tessel::loopstate().exitrequested);
                tessel::loopstate().exitrequested = false;
            } else {
                EXPECT_FALSE(sent.empty());
                for (const std::string& line : sent) {
                    EXPECT_EQ(line.find("You have no access"), std::string::npos) << line;
                    EXPECT_EQ(line.find(kUnidentified), std::string::npos) << line;
                }
            }
        }
    }
    EXPECT_EQ(rows, rules.size());
}

TEST_F(OperServTest, UnknownCommandsAreNamedWithoutAHelpHint) {
    callers();
    EXPECT_EQ(ask("AKAAS", "frobnicate now"), Lines{os("AKAAS", "Unknown command: frobnicate.")});
    EXPECT_EQ(ask("AKAAP", "frobnicate"), Lines{os("AKAAP", "Unknown command: frobnicate.")});
}
