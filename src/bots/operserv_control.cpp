// OperServ's commands on the services themselves: leaving the network,
// stopping, starting over, re-sending the burst's parts, saving.
#include "bots/operserv.h"
#include "engine/tform1.h"
#include "registry/databases.h"

namespace tessel::operserv {

void disconnect(TForm1& form, tbotmessage& msg) {
    const std::string nick = form.user(msg.user).nick;
    form.LOGWRITE(kLogAdmin, "DISCONNECT used by " + nick);
    form.link.quitreason = "DISCONNECT command used by " + nick;
    form.BUTTONDIECLICK();
}

void die(TForm1& form, tbotmessage& msg) {
    const std::string nick = form.user(msg.user).nick;
    form.LOGWRITE(kLogAdmin, "DIE used by " + nick);
    form.link.quitreason = "DIE command used by " + nick;
    // The loop ends; the orderly stop unlinks with this reason and saves.
    form.FORMCLOSE();
}

void init(TForm1& form, tbotmessage& msg) {
    announce(form, msg, "INIT");
    form.link.quitreason = "Re initializing";
    form.BUTTONDIECLICK();
    form.link.quitreason.clear();
    form.LOADDB();
    form.LOADCONF();
    form.BUTTONCONNECTCLICK();
}

void reset(TForm1& form, tbotmessage& msg) {
    announce(form, msg, "RESET");
    if (form.cfg.settime) form.MESEND("SE :" + std::to_string(form.clock.now));
    form.SENDRESET();
}

void resetgline(TForm1& form, tbotmessage& msg) {
    announce(form, msg, "RESETGLINE");
    form.SENDRESETGLINE();
}

void savedb(TForm1& form, tbotmessage& msg) {
    announce(form, msg, "SAVEDB");
    const tsaveresult saved = form.savedatabases();
    bool failed = false;
    for (int which = DB_NICKSERV; which <= DB_OPERSERV; ++which) {
        if (saved[which]) continue;
        failed = true;
        msg.reply(form, std::string("Database not saved: ") + kDbFileNames[which]);
    }
    if (!failed) msg.reply(form, "Databases saved");
}

} // namespace tessel::operserv
