// NickServ HELP: a command's own text from the command table, otherwise the
// general overview.
#include <string>

#include "bots/nickserv.h"
#include "bots/services.h"
#include "engine/tform1.h"

namespace tessel::nickserv {

namespace {

constexpr std::string_view overview[] = {
    "NickServ allows you to register a nickname. You then own the nickname. Having a registered "
    "nickname allows you to register channels, send and read memos, and stop other users from "
    "using your nick.",
    "NickServ commands",
    "====================================",
    "REGISTER    DROP        IDENTIFY",
    "RECOVER     GHOST       SET",
    "IGNORE      LIST        INFO",
    "Use HELP <command> to get more help about a command",
    "NickServ may not be abused to \"steal\" nicks. Doing so will result in, at least, loss of the "
    "registered nicks."};

} // namespace

void help(TForm1& form, tbotmessage& msg) {
    if (sendhelptopic(form, msg, nickservcommands(), msg.upwords[1])) return;
    sendlines(form, msg, overview);
    if (form.cfg.nickexpire > 0)
        msg.reply(form, "A nick is automatically dropped after not being used for " +
                            std::to_string(form.cfg.nickexpire) + " days.");
}

} // namespace tessel::nickserv
