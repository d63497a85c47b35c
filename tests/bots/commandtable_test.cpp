// Walks every row of every service's command table, so that a row added
// later is checked without touching this file: each command word reaches its
// handler, each gated row refuses a sender short of the gate with the exact
// refusal, and HELP <command> sends the row's own help lines.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bots/services.h"
#include "eventcore/loop.h"
#include "support/harness.h"
#include "support/tempdir.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

struct Service {
    int bot;
    std::string numeric;
    std::string unknownhint; // what the unknown-command reply says after the word
};

const Service kServices[] = {
    {tessel::kBotNickServ, "ABAAB", ". Type /msg NickServ HELP for a list of commands."},
    {tessel::kBotChanServ, "ABAAA", ". Type /msg ChanServ HELP for a list of commands."},
    {tessel::kBotMemoServ, "ABAAC", ". Type /msg MemoServ HELP for a list of commands."},
    {tessel::kBotOperServ, "ABAAD", "."},
};

const std::string kDenied =
    "Access denied. If this is your nick, type /msg NickServ IDENTIFY <password>";

// A fresh network per row, so that what one command does (a kill, a drop, a
// closed link) cannot change what the next row meets.
class Network {
public:
    static constexpr const char* kPlain = "AKAAA"; // unregistered user
    static constexpr const char* kBoss = "AKAAB";  // identified Services operator
    static constexpr const char* kOper = "AKAAC";  // IRC operator, nothing more

    explicit Network(const Service& s) : service(s) {
        h.form.cfg.soplist[0] = "boss";
        h.form.cfg.safeidentify = false;
        h.adduser("plain", kPlain);
        h.adduser("boss", kBoss, "+o");
        h.feed(std::string(kBoss) + " P ABAAB :REGISTER pw boss@mail.example");
        h.adduser("oper", kOper, "+o");
        h.take();
    }

    Lines say(const std::string& from, const std::string& text) {
        tessel::Tuser& u = h.form.user(h.form.GETP10ID(from));
        u.floodtime = 0;
        u.floodignored = false;
        h.take();
        h.feed(from + " P " + service.numeric + " :" + text);
        return h.take();
    }
    std::string reply(const std::string& to, const std::string& text) const {
        return service.numeric + " O " + to + " :" + text;
    }

    Harness h;
    const Service& service;
};

} // namespace

TEST(CommandTable, ServicesAreTheClientsTheDispatcherKnows) {
    for (const Service& s : kServices) {
        const tessel::tserviceidentity* id = tessel::serviceidentity(s.bot);
        ASSERT_NE(id, nullptr);
        EXPECT_EQ("AB" + std::string(id->suffix), s.numeric);
    }
    EXPECT_EQ(tessel::serviceidentity(tessel::kBotScanner), nullptr);
}

TEST(CommandTable, EveryRowReachesItsHandlerBehindItsGate) {
    // Some commands save or load the databases and the configuration.
    TempDir dir;
    WorkingDir in(dir.path());
    for (const Service& s : kServices) {
        for (const tessel::tbotcommand& row : tessel::serviceidentity(s.bot)->commands()) {
            if (!row.run) continue;
            const std::string name(row.name);
            SCOPED_TRACE("service " + s.numeric + ", command " + name);
            Network net(s);
            const Lines unknown{net.reply(Network::kBoss, "Unknown command: " + name +
                                                              s.unknownhint)};
            // Typed in lower case: command words are compared upper-cased.
            std::string typed;
            for (char c : name)
                typed += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);

            std::string refusal;
            switch (row.gate) {
            case tessel::tgate::anyone:
                break;
            case tessel::tgate::identified:
                refusal = kDenied;
                break;
            case tessel::tgate::ircop:
                refusal = name + ": You have no access to this command. IRC Operator required.";
                break;
            case tessel::tgate::servicesop:
                refusal =
                    name + ": You have no access to this command. Services Operator required.";
                EXPECT_EQ(net.say(Network::kOper, name),
                          Lines{net.reply(Network::kOper,
                                          row.refusal.empty() ? refusal
                                                              : std::string(row.refusal))});
                break;
            }
            if (row.gate != tessel::tgate::anyone) {
                if (!row.refusal.empty()) refusal = row.refusal;
                EXPECT_EQ(net.say(Network::kPlain, name + " x y z"),
                          Lines{net.reply(Network::kPlain, refusal)});
            }
            // Last, as some commands end the link or ask the loop to stop.
            EXPECT_NE(net.say(Network::kBoss, typed), unknown);
            tessel::loopstate().exitrequested = false;
        }
    }
}

TEST(CommandTable, HelpForACommandSendsTheLinesOfItsRow) {
    for (const Service& s : kServices) {
        for (const tessel::tbotcommand& row : tessel::serviceidentity(s.bot)->commands()) {
            if (row.help.empty()) continue;
            SCOPED_TRACE("service " + s.numeric + ", topic " + std::string(row.name));
            Network net(s);
            Lines expected;
            for (std::string_view line : row.help)
                expected.push_back(net.reply(Network::kBoss, std::string(line)));
            EXPECT_EQ(net.say(Network::kBoss, "help " + std::string(row.name)), expected);
        }
    }
}
