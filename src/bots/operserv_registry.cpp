// OperServ's commands on registered nicks: a new password for a lost one,
// and dropping one.
#include "bots/operserv.h"
#include "engine/tform1.h"

namespace tessel::operserv {

namespace {

// The registration named by word 1, or -1 after telling the caller.
int32_t registration(TForm1& form, const tbotmessage& msg) {
    const int32_t ns = form.GETNS(msg.words[1]);
    if (form.reg.nicks.valid(ns)) return ns;
    msg.reply(form, "No such registered nick: " + msg.words[1]);
    return -1;
}

} // namespace

void setnickpass(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters.");
        return;
    }
    const int32_t ns = registration(form, msg);
    if (ns < 0) return;
    // The new password stays out of the operator channel.
    announce(form, msg, "SETNICKPASS " + msg.words[1]);
    form.nickreg(ns).password = form.encodepass(msg.words[2]);
    msg.reply(form, "Nickserv password of " + msg.words[1] + " has been changed.");
}

void nickdrop(TForm1& form, tbotmessage& msg) {
    if (msg.words[1].empty()) {
        msg.reply(form, "Not enough parameters.");
        return;
    }
    const int32_t ns = registration(form, msg);
    if (ns < 0) return;
    announce(form, msg, "NICKDROP " + msg.words[1]);
    msg.reply(form, "Nick " + msg.words[1] + " has been unregistered.");
    form.dropnick(ns);
}

} // namespace tessel::operserv
