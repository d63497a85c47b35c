// NickServ HELP: the general overview and one text per command.
#include <initializer_list>
#include <string>

#include "bots/nickserv.h"
#include "engine/tform1.h"

namespace tessel::nickserv {

namespace {

void lines(TForm1& form, const tbotmessage& msg, std::initializer_list<const char*> text) {
    for (const char* line : text)
        msg.reply(form, line);
}

} // namespace

void help(TForm1& form, tbotmessage& msg) {
    const std::string& topic = msg.upwords[1];
    if (topic == "REGISTER") {
        lines(form, msg,
              {"REGISTER <password> <email>",
               "Registers your nick. You must be using the nick which you want to register, and "
               "the nick must be available for registering."});
    } else if (topic == "DROP") {
        lines(form, msg,
              {"DROP <password>",
               "Removes your nick from the database. You then no longer own the nick, and it is "
               "available for other users. A nick is automatically dropped if you don't identify "
               "for 30 days."});
    } else if (topic == "ACCESS") {
        lines(form, msg,
              {"ACCESS ADD <mask>         Add a mask to the list",
               "ACCESS DEL <mask>         Remove a mask from the list",
               "ACCESS                    Show mask list",
               "Sets masks from which you can identify for the nick. Masks are in the format "
               "userid@host. When you register a nick, mask *@* is in the list as default.",
               "Be careful; by removing your mask, you can loose access to your nick."});
    } else if (topic == "SET") {
        lines(form, msg,
              {"SET EMAIL <email>", "   Set or change your email address", "SET URL <url>",
               "   Set or change your URL (homepage address)",
               "This is for informational purposes and it is visible to who does an INFO command "
               "on you.",
               "SET PASSWORD <oldpass> <newpass>", "   Changes your password", "SET PRIVMSG ON|OFF",
               "   Setting this to on causes services to send privmsg (/msg) messages to you "
               "rather than notice messages.",
               "SET PRIVATE ON|OFF",
               "   This setting hides your information from who doesn't know your nick."});
    } else if (topic == "IDENTIFY") {
        lines(form, msg, {"IDENTIFY <password>", "Use this command to identify for your nick "});
    } else if (topic == "GHOST") {
        lines(form, msg,
              {"GHOST <nick> <password>",
               "Use this command to kill someone who is using your nick."});
    } else if (topic == "RECOVER") {
        lines(form, msg,
              {"RECOVER <nick> <password>",
               "Use this command to kill someone who is using your nick."});
    } else if (topic == "IGNORE") {
        lines(form, msg,
              {"IGNORE ADD <nick>", "IGNORE DEL <nick>", "IGNORE LIST",
               "Someone who is on your IGNORE list can't send memoserv messages to you. (unless "
               "he is an IRCop)"});
    } else if (topic == "LIST") {
        lines(form, msg,
              {"LIST <pattern> <number>",
               "Returns a list of registered nicks. Private nicks are not listed."});
    } else if (topic == "INFO") {
        lines(form, msg,
              {"Shows information about a registered nick. It also tells you if he has you on "
               "his ignore list."});
    } else {
        lines(form, msg,
              {"NickServ allows you to register a nickname. You then own the nickname. Having a "
               "registered nickname allows you to register channels, send and read memos, and "
               "stop other users from using your nick.",
               "NickServ commands",
               "====================================", "REGISTER    DROP        IDENTIFY",
               "RECOVER     GHOST       SET", "IGNORE      LIST        INFO",
               "Use HELP <command> to get more help about a command",
               "NickServ may not be abused to \"steal\" nicks. Doing so will result in, at least, "
               "loss of the registered nicks."});
        if (form.cfg.nickexpire > 0)
            msg.reply(form, "A nick is automatically dropped after not being used for " +
                                std::to_string(form.cfg.nickexpire) + " days.");
    }
}

} // namespace tessel::nickserv
