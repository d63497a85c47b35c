#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bots/chanservfixture.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

// Who asks: one column of the matrix each.
enum Role { Founder, Sop, Aop, Vop, Nobody, Akick, OperOperop, Oper, ServicesOp, Unidentified };
const char* const kRoleNames[] = {"founder", "SOP", "AOP", "VOP", "none", "AKICK",
                                  "IRC operator (OPEROP)", "IRC operator", "Services operator",
                                  "unidentified owner"};

// A fresh network for one cell: #c (secret) is boss's, with sopper, aopper,
// vopper and bad!*@* on its lists; the identified victim sits in it; the
// asker, AKAAA, plays the role.
struct World {
    Harness h;
    std::string nick;

    int32_t identify(int32_t u) { return identifyuser(h.form, u, "pw"); }

    explicit World(Role role) {
        static const char* const nicks[] = {"boss", "sopper", "aopper", "vopper", "plain",
                                            "bad", "oper", "oper", "root", "boss"};
        nick = nicks[role];
        h.form.cfg.soplist[0] = "root";
        const bool oper = role == OperOperop || role == Oper || role == ServicesOp;
        const int32_t asker = h.adduser(nick, "AKAAA", oper ? "+o" : "");
        if (role != Akick && role != Unidentified && role != OperOperop && role != Oper)
            identify(asker);
        const int32_t victim = identify(h.adduser("victim", "AKAAV"));
        const int32_t chan = placechannel(h.form, "#c");
        placemember(h.form, chan, asker);
        placemember(h.form, chan, victim, tessel::kStatusOp);
        h.form.channel(chan).cmode_s = true;
        const int32_t cs = placechanreg(h.form, "#c", "boss");
        tessel::Tchanserv& rec = h.form.chanreg(cs);
        rec.password = tessel::encodepass("pw", true);
        rec.operop = role == OperOperop;
        rec.lists[tessel::LIST_SOP].set(0, "sopper");
        rec.lists[tessel::LIST_AOP].set(0, "aopper");
        rec.lists[tessel::LIST_VOP].set(0, "vopper");
        rec.lists[tessel::LIST_AKICK].set(0, "bad!*@*");
        h.take();
    }
};

struct Command {
    const char* text;
    const char* allowed; // one character per role: Y may, - is refused
    std::string refusal;
    std::string granted; // a line sent when allowed; {n} is the asker's nick
};

std::string withnick(std::string text, const std::string& nick) {
    const size_t at = text.find("{n}");
    if (at != std::string::npos) text.replace(at, 3, nick);
    return text;
}

} // namespace

TEST(ChanServPrivileges, EachRoleMayDoExactlyWhatItsLevelAllows) {
    const std::string cs = kChanServ + " ";
    const std::string to = cs + "O AKAAA :";
    //                     F S A V N K o O S U   (roles in the order of Role)
    const Command commands[] = {
        {"set #c url x", "YY------Y-",
         "Access denied. No privileges for this channel. Try /msg NickServ IDENTIFY <password>",
         to + "The URL information of #c has been changed."},
        {"set #c password pw new", "Y-------Y-",
         "Access denied. No privileges for this channel. Try /msg NickServ IDENTIFY <password>",
         to + "The password of #c has been changed."},
        {"set #c founder victim", "Y-------Y-",
         "You must be the owner of the channel and have identified to use this command.",
         to + "victim is now owner of #c"},
        {"drop #c pw", "Y-------Y-", "You must be the owner of the channel and have identified.",
         cs + "O #c :This channel has been dropped by {n}. It is no longer registered."},
        {"sop #c add x", "Y-------Y-", "You don't have privileges to modify the SOP list of #c",
         to + "x has been added to the SOP list of #c."},
        {"aop #c add x", "YY------Y-", "You don't have privileges to modify the AOP list of #c",
         to + "x has been added to the AOP list of #c."},
        {"akick #c list", "YYYY--YYY-", "VOP access required to view AKICK list",
         to + "1   bad!*@*"},
        {"op #c", "YYY---Y-Y-", "AOP privileges on channel are required to use OP command.",
         cs + "O #c :{n} issued OP"},
        {"deop #c victim", "YYY---Y---", "AOP privileges on channel are required to use DEOP command.",
         cs + "O #c :{n} issued DEOP"},
        {"opme #c", "YYY---Y---", "You don't have AOP privileges on channel #c",
         cs + "M #c +o AKAAA"},
        {"invite #c", "YYYY--Y---", "No privileges on channel #c", cs + "INVITE {n} #c"},
        {"kick #c victim", "YYY---Y-Y-", "Channel AOP privileges required.",
         cs + "K #c AKAAV :{n}"},
        {"clear #c users", "YY------Y-", "Channel SOP privileges required.",
         cs + "O #c :{n} issued CLEAR USER"},
        {"clear #c modes", "YYY---Y-Y-", "Channel AOP privileges required.",
         cs + "O #c :{n} issued CLEAR MODE"},
        {"info #c", "YYYY--YYY-", "No information available about channel: #c",
         to + "Information about #c"},
    };
    for (const Command& c : commands) {
        for (int role = Founder; role <= Unidentified; ++role) {
            auto w = std::make_unique<World>(static_cast<Role>(role));
            w->h.feed("AKAAA P " + kChanServ + " :" + c.text);
            const Lines sent = w->h.take();
            if (c.allowed[role] == 'Y') {
                const std::string granted = withnick(c.granted, w->nick);
                EXPECT_NE(std::find(sent.begin(), sent.end(), granted), sent.end())
                    << c.text << " by " << kRoleNames[role] << ": no " << granted;
            } else {
                EXPECT_EQ(sent, Lines{to + c.refusal}) << c.text << " by " << kRoleNames[role];
            }
        }
    }
}
