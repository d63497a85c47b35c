// NickServ's command table and the checks its commands share.
#include "bots/nickserv.h"

#include "bots/services.h"

#include "engine/tform1.h"

namespace tessel {

namespace {

constexpr std::string_view helpregister[] = {
    "REGISTER <password> <email>",
    "Registers your nick. You must be using the nick which you want to register, and the nick "
    "must be available for registering."};
constexpr std::string_view helpdrop[] = {
    "DROP <password>",
    "Removes your nick from the database. You then no longer own the nick, and it is available "
    "for other users. A nick is automatically dropped if you don't identify for 30 days."};
constexpr std::string_view helpaccess[] = {
    "ACCESS ADD <mask>         Add a mask to the list",
    "ACCESS DEL <mask>         Remove a mask from the list",
    "ACCESS                    Show mask list",
    "Sets masks from which you can identify for the nick. Masks are in the format userid@host. "
    "When you register a nick, mask *@* is in the list as default.",
    "Be careful; by removing your mask, you can loose access to your nick."};
constexpr std::string_view helpset[] = {
    "SET EMAIL <email>",
    "   Set or change your email address",
    "SET URL <url>",
    "   Set or change your URL (homepage address)",
    "This is for informational purposes and it is visible to who does an INFO command on you.",
    "SET PASSWORD <oldpass> <newpass>",
    "   Changes your password",
    "SET PRIVMSG ON|OFF",
    "   Setting this to on causes services to send privmsg (/msg) messages to you rather than "
    "notice messages.",
    "SET PRIVATE ON|OFF",
    "   This setting hides your information from who doesn't know your nick."};
constexpr std::string_view helpidentify[] = {"IDENTIFY <password>",
                                             "Use this command to identify for your nick "};
constexpr std::string_view helpghost[] = {
    "GHOST <nick> <password>", "Use this command to kill someone who is using your nick."};
constexpr std::string_view helprecover[] = {
    "RECOVER <nick> <password>", "Use this command to kill someone who is using your nick."};
constexpr std::string_view helpignore[] = {
    "IGNORE ADD <nick>", "IGNORE DEL <nick>", "IGNORE LIST",
    "Someone who is on your IGNORE list can't send memoserv messages to you. (unless he is an "
    "IRCop)"};
constexpr std::string_view helplist[] = {
    "LIST <pattern> <number>", "Returns a list of registered nicks. Private nicks are not listed."};
constexpr std::string_view helpinfo[] = {
    "Shows information about a registered nick. It also tells you if he has you on his ignore "
    "list."};

// IDENTIFY, GHOST, RECOVER and DROP prove ownership with a password, and SET
// checks its option before identification, so those rows leave the gate to
// their handlers.
constexpr tbotcommand commands[] = {
    {"HELP", nickserv::help},
    {"REGISTER", nickserv::registernick, tgate::anyone, helpregister},
    {"IDENTIFY", nickserv::identify, tgate::anyone, helpidentify},
    {"GHOST", nickserv::ghost, tgate::anyone, helpghost},
    {"RECOVER", nickserv::ghost, tgate::anyone, helprecover},
    {"ACCESS", nickserv::access, tgate::identified, helpaccess},
    {"DROP", nickserv::drop, tgate::anyone, helpdrop},
    {"SET", nickserv::set, tgate::anyone, helpset},
    {"IGNORE", nickserv::ignore, tgate::identified, helpignore},
    {"INFO", nickserv::info, tgate::anyone, helpinfo},
    {"LIST", nickserv::list, tgate::anyone, helplist},
};

} // namespace

std::span<const tbotcommand> nickservcommands() {
    return commands;
}

namespace nickserv {

int32_t checkowner(TForm1& form, const tbotmessage& msg, int32_t ns, const std::string& password) {
    std::string refusal;
    const int32_t result = form.NICKACCESS(msg.user, ns, password, &refusal);
    if (result == kAccessNoMask)
        msg.reply(form, "Your mask does not match the ACCESS list, cannot identify.");
    if (result == kAccessWrongPassword) msg.reply(form, "Password incorrect.");
    if (result == kAccessRefused) msg.reply(form, refusal);
    return result;
}

std::string visiblemask(const TForm1& form, int32_t asking, const std::string& mask) {
    const bool oper = form.net.users.valid(asking) && form.net.users[asking].umode_o;
    size_t at = mask.find('@');
    if (!form.cfg.hiddenhost || oper || at == std::string::npos) return mask;
    return mask.substr(0, at + 1) + "hidden";
}

int32_t onlineowner(const TForm1& form, int32_t ns) {
    int32_t u = form.reg.nicks[ns].identuser;
    return form.net.users.valid(u) ? u : -1;
}

} // namespace nickserv

} // namespace tessel
