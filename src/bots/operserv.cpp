// OperServ's command table and the helpers its commands share.
#include "bots/operserv.h"

#include "bots/services.h"
#include "engine/tform1.h"

namespace tessel {

namespace {

// Most rows use the gate's usual refusal. SETTIME and GLINE word theirs
// differently: SETTIME stops after the first sentence, and GLINE names the
// Services operator although an IRC operator may use it (only durations over
// a day need the higher rank, which the handler checks).
constexpr tbotcommand commands[] = {
    {"HELP", operserv::help, tgate::ircop},
    {"SEEN", operserv::seen, tgate::ircop},
    {"GLIST", operserv::glist, tgate::anyone},
    {"SERVERS", operserv::servers, tgate::anyone},
    {"CHANNELS", operserv::channels, tgate::ircop},
    {"USERS", operserv::users, tgate::ircop},
    {"CHANINFO", operserv::chaninfo, tgate::ircop},
    {"TIME", operserv::time, tgate::anyone},
    {"WHOIS", operserv::whois, tgate::anyone},
    {"KILL", operserv::kill, tgate::ircop},
    {"INVITE", operserv::invite, tgate::ircop},
    {"NEWS", operserv::news, tgate::ircop},
    {"SETTIME", operserv::settime, tgate::ircop, {}, "SETTIME: You have no access to this command"},
    {"GLINE", operserv::gline, tgate::ircop, {},
     "GLINE: You have no access to this command. Services Operator required."},
    {"KILLCHANNEL", operserv::killchannel, tgate::ircop},
    {"RAW", operserv::raw, tgate::servicesop},
    {"OPTIONS", operserv::options, tgate::servicesop},
    {"MODE", operserv::mode, tgate::servicesop},
    {"SETNICKPASS", operserv::setnickpass, tgate::servicesop},
    {"NICKDROP", operserv::nickdrop, tgate::servicesop},
    {"JUPE", operserv::jupe, tgate::servicesop},
    {"DISCONNECT", operserv::disconnect, tgate::servicesop},
    {"DIE", operserv::die, tgate::servicesop},
    {"INIT", operserv::init, tgate::servicesop},
    {"RESET", operserv::reset, tgate::ircop},
    {"RESETGLINE", operserv::resetgline, tgate::ircop},
    {"SAVEDB", operserv::savedb, tgate::servicesop},
};

} // namespace

std::span<const tbotcommand> operservcommands() {
    return commands;
}

namespace operserv {

std::string joinedwords(const tbotmessage& msg, int from) {
    std::string out;
    for (int i = from; i < kBotWords && !msg.words[i].empty(); ++i) {
        if (i > from) out += ' ';
        out += msg.words[i];
    }
    return out;
}

std::string wordlist(const tbotmessage& msg, int from) {
    std::string out;
    for (int i = from; i < kBotWords && !msg.words[i].empty(); ++i) {
        out += msg.words[i];
        out += ' ';
    }
    return out;
}

void announce(TForm1& form, const tbotmessage& msg, const std::string& text) {
    form.SENDOPERCHANNEL(msg.user, text);
}

} // namespace operserv

} // namespace tessel
