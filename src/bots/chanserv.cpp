// ChanServ's command table, its help and the checks its commands share.
#include "bots/chanserv.h"

#include "bots/services.h"
#include "engine/logcategories.h"
#include "engine/tform1.h"

namespace tessel {

namespace {

constexpr std::string_view helpregister[] = {
    "REGISTER <channel> <password>",
    "Registers a channel. You must be channel operator in the channel. You need the password "
    "again when you want to drop the channel, or when you want to give ownership to someone "
    "else."};
constexpr std::string_view helpset[] = {
    "SET URL                 Set or change the URL (homepage address) of the channel",
    "This information is for informational purposes and it is visible to whoever does an INFO "
    "command on you.",
    "SET PASSWORD            Sets the password (the owner needs it to drop the channel)",
    "SET WELCOME             Sets the text which is sent to joining users (autogreet)",
    "SET FOUNDER             Give ownership of the channel to someone else. The user must be "
    "online.",
    "SET STRICTOP ON|OFF     If set, users who don't have auto-op level are automatically "
    "de-opped.",
    "SET PRIVATE ON|OFF      If set, the channel does not show in a wildcard search (LIST).",
    "SET OPEROP ON|OFF       If set, any IRC Operator has auto-op privileges",
    "SET OPERONLY ON|OFF     If set, only IRCops and users on the access list are allowed to join",
    "SET MODELOCK            Mode Lock is used to force modes to be set or cleared."};
constexpr std::string_view helpclear[] = {"CLEAR OP      Mass deop.", "CLEAR USER    Mass kick.",
                                          "CLEAR MODE    Remove channel modes.",
                                          "CLEAR BANS    Clear banlist."};
constexpr std::string_view helpaop[] = {
    "an AOP user has channel operator status and is able to use the INVITE command.",
    "SOP access is needed to modify the AOP list.",
    "AOP <channel> ADD <mask|nick>    adds a user to the AOP list",
    "AOP <channel> DEL <mask|nick>    removes a user from the AOP list",
    "AOP <channel> LIST               shows the AOP list"};
constexpr std::string_view helpsop[] = {
    "a SOP user has channel operator status and is able to modify the AOP and the VOP list.",
    "Owner access is needed to modify the SOP list.",
    "SOP <channel> ADD <mask|nick>    adds a user to the SOP list",
    "SOP <channel> DEL <mask|nick>    removes a user from the SOP list",
    "SOP <channel> LIST               shows the SOP list"};
constexpr std::string_view helpvop[] = {
    "a VOP user has voice (ability to speak on a moderated channel) and can use the INVITE "
    "command.",
    "SOP access is needed to modify the VOP list.",
    "VOP <channel> ADD <mask|nick>    adds a user to the VOP list",
    "VOP <channel> DEL <mask|nick>    removes a user from the VOP list",
    "VOP <channel> LIST               shows the VOP list"};
constexpr std::string_view helpakick[] = {
    "Users matching the AKICK list are not allowed to join the channel.",
    "SOP Access is needed to modify the AKICK list.",
    "AKICK <channel> ADD <mask|nick>    adds a user to the AKICK list",
    "AKICK <channel> DEL <mask|nick>    removes a user from the AKICK list",
    "AKICK <channel> LIST               shows the AKICK list"};
constexpr std::string_view helpop[] = {
    "OP <channel> <nick>",
    "Gives a user channel operator status. If no nick is given, you are opped."};
constexpr std::string_view helpdeop[] = {
    "DEOP <channel> <nick>", "Takes channel operator status. If no nick is given, you are deopped."};
constexpr std::string_view helpinfo[] = {"INFO <channel>",
                                         "Gives information about a registered channel."};
constexpr std::string_view helplist[] = {
    "LIST <pattern> <number>",
    "Returns a list of registered channels. Private channels are not listed."};
constexpr std::string_view helpdrop[] = {
    "DROP <password>",
    "Removes the channel from the database. The channel is no longer registered to you, and it "
    "is available for other users to register it. A channel is automatically dropped if the "
    "owner does not join for 30 days."};

// Every privilege of ChanServ is a level on the channel named in the
// command, checked by the handler in the order the replies require, so no
// row has a gate. KICK and OPME have no help of their own.
constexpr tbotcommand commands[] = {
    {"HELP", chanserv::help},
    {"REGISTER", chanserv::registerchannel, tgate::anyone, helpregister},
    {"DROP", chanserv::drop, tgate::anyone, helpdrop},
    {"SET", chanserv::set, tgate::anyone, helpset},
    {"INFO", chanserv::info, tgate::anyone, helpinfo},
    {"LIST", chanserv::list, tgate::anyone, helplist},
    {"SOP", chanserv::accesslist, tgate::anyone, helpsop},
    {"AOP", chanserv::accesslist, tgate::anyone, helpaop},
    {"VOP", chanserv::accesslist, tgate::anyone, helpvop},
    {"AKICK", chanserv::accesslist, tgate::anyone, helpakick},
    {"OP", chanserv::op, tgate::anyone, helpop},
    {"DEOP", chanserv::deop, tgate::anyone, helpdeop},
    {"OPME", chanserv::opme},
    {"INVITE", chanserv::invite, tgate::anyone, {}},
    {"KICK", chanserv::kick},
    {"CLEAR", chanserv::clear, tgate::anyone, helpclear},
};

constexpr std::string_view overview[] = {
    "Chanserv allows you to own and control a channel and prevents it from being taken over, "
    "without the need for a bot.",
    "ChanServ commands",
    "===================================",
    "REGISTER    DROP        SET",
    "SOP         AOP         VOP",
    "OP          DEOP        INVITE",
    "LIST        INFO        HELP",
    "CLEAR       AKICK       KICK",
    "Use HELP <command> to get more help about a command"};

} // namespace

std::span<const tbotcommand> chanservcommands() {
    return commands;
}

namespace chanserv {

void help(TForm1& form, tbotmessage& msg) {
    // INVITE's help names the configured nick, so it is made here.
    if (msg.upwords[1] == "INVITE") {
        msg.reply(form, "INVITE <channel>");
        msg.reply(form, "Makes " + form.cfg.channick +
                            " invite you to a channel. Useful if your channel is invite only or "
                            "you got accidentally banned. You need atleast VOP privileges on the "
                            "channel.");
        return;
    }
    if (sendhelptopic(form, msg, chanservcommands(), msg.upwords[1])) return;
    sendlines(form, msg, overview);
    if (form.cfg.chanexpire > 0)
        msg.reply(form, "A channel is automatically dropped if the owner does not join for " +
                            std::to_string(form.cfg.chanexpire) + " days.");
}

int32_t registeredchannel(TForm1& form, const tbotmessage& msg) {
    const int32_t cs = form.GETCS(msg.words[1]);
    if (form.reg.chans.valid(cs)) return cs;
    msg.reply(form, "Channel " + msg.words[1] + " is not registered.");
    return -1;
}

int32_t livechannel(const TForm1& form, int32_t cs) {
    const int32_t chan = form.reg.chans[cs].chanindex;
    return form.net.channels.valid(chan) && form.net.channels[chan].csindex == cs ? chan : -1;
}

bool ismember(const TForm1& form, int32_t chan, int32_t user) {
    if (!form.net.users.valid(user)) return false;
    for (int32_t c : form.net.users[user].channels)
        if (c == chan) return true;
    return false;
}

std::string wordsfrom(const tbotmessage& msg, int first) {
    std::string text;
    for (int i = first; i < kBotWords && !msg.words[i].empty(); ++i) {
        if (i > first) text += ' ';
        text += msg.words[i];
    }
    return text;
}

void channelnotice(TForm1& form, const std::string& channel, const std::string& text) {
    form.CHANSEND(form.cfg.msgcommand + " " + channel + " :" + text);
}

void logadmin(TForm1& form, const std::string& text) {
    form.LOGWRITE(kLogAdmin, text);
}

std::string storedpassword(TForm1& form, const std::string& typed) {
    return form.encodepass(typed);
}

int32_t checkchanpassword(TForm1& form, const tbotmessage& msg, int32_t cs,
                          const std::string& typed, std::string& refusal) {
    return form.chanpassword(msg.user, cs, typed, &refusal);
}

} // namespace chanserv

} // namespace tessel
