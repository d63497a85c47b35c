// MemoServ's command table and its help.
#include "bots/memoserv.h"

#include "bots/services.h"
#include "engine/tform1.h"

namespace tessel {

namespace {

constexpr std::string_view helpsend[] = {
    "SEND <nick> <message>",
    "Sends a message to the mailbox of the receipent. The receipent must be a registered nick."};
constexpr std::string_view helpread[] = {"READ <number>", "Displays a message from your mailbox"};
constexpr std::string_view helpdel[] = {"DEL <number>", "Deletes a message from your mailbox"};
constexpr std::string_view helpclear[] = {"CLEAR deletes all messages from your mailbox."};
constexpr std::string_view helplist[] = {
    "LIST shows the messages in your mailbox, and who sent them, and how long ago."};

constexpr std::string_view overview[] = {
    "Memoserv allows leaving a message for someone who is not currently online. Both the sender "
    "and the receipent must have a registered nick.",
    "MemoServ commands",
    "===================================",
    "SEND        READ        DEL",
    "CLEAR       LIST        HELP",
    "Use HELP <command> to get more help about a command"};

// SEND and DEL answer a missing parameter before they look at
// identification, so those rows leave the gate to their handlers.
constexpr tbotcommand commands[] = {
    {"HELP", memoserv::help},
    {"SEND", memoserv::send, tgate::anyone, helpsend},
    {"LIST", memoserv::list, tgate::identified, helplist},
    {"READ", memoserv::read, tgate::identified, helpread},
    {"DEL", memoserv::del, tgate::anyone, helpdel},
    {"CLEAR", memoserv::clear, tgate::identified, helpclear},
};

} // namespace

std::span<const tbotcommand> memoservcommands() {
    return commands;
}

void memoserv::help(TForm1& form, tbotmessage& msg) {
    if (!sendhelptopic(form, msg, commands, msg.upwords[1])) sendlines(form, msg, overview);
}

} // namespace tessel
