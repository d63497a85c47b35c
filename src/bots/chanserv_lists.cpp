// ChanServ SOP, AOP, VOP and AKICK: one implementation over the four access
// lists of a registered channel.
#include <string>

#include "bots/chanserv.h"
#include "bots/slotlist.h"
#include "engine/tform1.h"

namespace tessel::chanserv {

namespace {

struct tlistkind {
    const char* name; // the command word, and the list's name in replies
    chanlist list;
    int32_t change; // level needed to add and delete
    int32_t view;   // level needed to see it (IRC operators always may)
};
constexpr tlistkind kListKinds[] = {
    {"AOP", LIST_AOP, kLevelSop, kLevelVop},
    {"SOP", LIST_SOP, kLevelFounder, kLevelVop},
    {"VOP", LIST_VOP, kLevelSop, kLevelVop},
    {"AKICK", LIST_AKICK, kLevelSop, kLevelVop},
};

const tlistkind* listkind(const std::string& word) {
    for (const tlistkind& k : kListKinds)
        if (word == k.name) return &k;
    return nullptr;
}

// A typed entry number: digits only, at least 1; 0 for anything else.
int entrynumber(const std::string& word) {
    if (word.empty() || word.size() > 9) return 0;
    int n = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

// The change level check of ADD and DEL. A Services operator without the
// level goes on, and that use is logged before anything else is tested.
bool maychange(TForm1& form, const tbotmessage& msg, const tlistkind& kind,
               const Tchanserv& rec, int32_t level, const char* action) {
    const Tuser& u = form.user(msg.user);
    const std::string name = kind.name;
    if (level >= kind.change) return true;
    if (!u.servicesop) {
        msg.reply(form, "You don't have privileges to modify the " + name + " list of " +
                            rec.channel);
        return false;
    }
    logadmin(form, "Admin: " + rec.channel + " " + u.nick + ": " + msg.words[3] + " " + action +
                       " " + name + " list");
    return true;
}

void add(TForm1& form, const tbotmessage& msg, const tlistkind& kind, Tchanserv& rec,
         int32_t level) {
    const std::string name = kind.name;
    const std::string& entry = msg.words[3];
    if (entry.empty()) {
        msg.reply(form, "Not enough parameters. Syntax is " + name + " <channel> ADD <nick|mask>");
        return;
    }
    if (!maychange(form, msg, kind, rec, level, "added to")) return;
    auto& list = rec.lists[kind.list];
    if (findupper(list, msg.upwords[3]) >= 0) {
        msg.reply(form, "User " + entry + " is already in the " + name + " list of " + rec.channel);
        return;
    }
    const int slot = lowestfree(list);
    if (slot < 0) {
        msg.reply(form, "The " + name + " list of " + rec.channel + " is full.");
        return;
    }
    list.set(slot, entry);
    msg.reply(form, entry + " has been added to the " + name + " list of " + rec.channel + ".");
}

void del(TForm1& form, const tbotmessage& msg, const tlistkind& kind, Tchanserv& rec,
         int32_t level) {
    const std::string name = kind.name;
    const std::string& entry = msg.words[3];
    if (entry.empty()) {
        msg.reply(form,
                  "Not enough parameters. Syntax is " + name + " <channel> DEL <nick|mask|number>");
        return;
    }
    if (!maychange(form, msg, kind, rec, level, "deleted from")) return;
    auto& list = rec.lists[kind.list];
    // A number counts the entries as LIST shows them; past the end it is a name.
    int slot = nthused(list, entrynumber(entry));
    if (slot < 0) slot = findupper(list, msg.upwords[3]);
    if (slot < 0) {
        msg.reply(form, entry + " is not in the " + name + " list of " + rec.channel);
        return;
    }
    const std::string removed = list[slot];
    list.set(slot, std::string());
    msg.reply(form,
              removed + " has been removed from the " + name + " list of " + rec.channel + ".");
}

void show(TForm1& form, const tbotmessage& msg, const tlistkind& kind, const Tchanserv& rec,
          int32_t level) {
    const std::string name = kind.name;
    if (level < kind.view && !form.user(msg.user).umode_o) {
        msg.reply(form, "VOP access required to view " + name + " list");
        return;
    }
    const auto& list = rec.lists[kind.list];
    int shown = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].empty()) continue;
        std::string number = std::to_string(++shown);
        if (number.size() < 4) number.resize(4, ' ');
        msg.reply(form, number + list[i]);
    }
    if (shown > 0)
        msg.reply(form, "End of " + name + " list of " + rec.channel);
    else
        msg.reply(form, name + " list of " + rec.channel + " is empty.");
}

} // namespace

void accesslist(TForm1& form, tbotmessage& msg) {
    const tlistkind* kind = listkind(msg.upwords[0]);
    if (!kind) return;
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters. /msg " + form.cfg.channick + " help " +
                            kind->name + " for more information.");
        return;
    }
    const int32_t cs = registeredchannel(form, msg);
    if (cs < 0) return;
    Tchanserv& rec = form.chanreg(cs);
    const int32_t level = form.CHANACCESS(cs, msg.user).level;
    if (msg.upwords[2] == "ADD")
        add(form, msg, *kind, rec, level);
    else if (msg.upwords[2] == "DEL")
        del(form, msg, *kind, rec, level);
    else
        show(form, msg, *kind, rec, level);
}

} // namespace tessel::chanserv
