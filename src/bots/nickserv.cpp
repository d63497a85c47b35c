// NickServ's command table and the checks its commands share.
#include "bots/nickserv.h"

#include "engine/tform1.h"

namespace tessel {

namespace {

constexpr tbotcommand commands[] = {
    {"HELP", nickserv::help},         {"REGISTER", nickserv::registernick},
    {"IDENTIFY", nickserv::identify}, {"GHOST", nickserv::ghost},
    {"RECOVER", nickserv::ghost},     {"ACCESS", nickserv::access},
    {"DROP", nickserv::drop},         {"SET", nickserv::set},
    {"IGNORE", nickserv::ignore},     {"INFO", nickserv::info},
    {"LIST", nickserv::list},
};

} // namespace

std::span<const tbotcommand> nickservcommands() {
    return commands;
}

namespace nickserv {

bool ownrecord(TForm1& form, const tbotmessage& msg) {
    if (form.user(msg.user).identified && msg.ns >= 0) return true;
    msg.reply(form, "Access denied. If this is your nick, type /msg NickServ IDENTIFY <password>");
    return false;
}

bool accessgranted(TForm1& form, const tbotmessage& msg, int32_t result) {
    if (result == 0) msg.reply(form, "Your mask does not match the ACCESS list, cannot identify.");
    if (result == 1) msg.reply(form, "Password incorrect.");
    return result == 2;
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
