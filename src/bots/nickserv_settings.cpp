// NickServ ACCESS, SET and IGNORE: the owner's access masks, record settings
// and memo ignore list.
#include <algorithm>
#include <string>

#include "bots/nickserv.h"
#include "engine/tform1.h"
#include "p10/ircupper.h"

namespace tessel::nickserv {

namespace {

// Slot of `name` in a list (IRC case-insensitive), -1 when absent.
template <class List> int findentry(const List& list, const std::string& upname) {
    for (size_t i = 0; i < list.size(); ++i)
        if (!list[i].empty() && ircupper(list[i]) == upname) return static_cast<int>(i);
    return -1;
}

template <class List> int freeentry(const List& list) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].empty()) return static_cast<int>(i);
    return -1;
}

// ON sets, OFF clears, anything else toggles; a change is announced with
// `onreply` or `offreply`, setting the current value again says nothing.
void onoff(TForm1& form, const tbotmessage& msg, bool& flag, const char* onreply,
           const char* offreply) {
    const std::string& word = msg.upwords[2];
    if (word != "OFF" && !flag) {
        flag = true;
        msg.reply(form, onreply);
    } else if (word != "ON" && flag) {
        flag = false;
        msg.reply(form, offreply);
    }
}

void setpassword(TForm1& form, const tbotmessage& msg) {
    if (msg.ns < 0) {
        msg.reply(form, "Your nick is not registered.");
        return;
    }
    // An empty new password could never be typed to IDENTIFY again.
    if (msg.words[3].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is SET PASSWORD <oldpass> <newpass>");
        return;
    }
    if (!accessgranted(form, msg, form.NICKACCESS(msg.user, msg.ns, msg.words[2]))) return;
    form.nickreg(msg.ns).password = form.encodepass(msg.words[3]);
    msg.reply(form, "Your password has been changed.");
}

} // namespace

void access(TForm1& form, tbotmessage& msg) {
    auto& list = form.nickreg(msg.ns).access;
    const std::string& sub = msg.upwords[1];
    const std::string& mask = msg.words[2];
    if (sub == "ADD") {
        if (mask.empty()) {
            msg.reply(form, "Not enough parameters. Syntax is ACCESS ADD <mask>");
        } else if (findentry(list, msg.upwords[2]) >= 0) {
            msg.reply(form, mask + " mask is already in your ACCESS list.");
        } else if (int slot = freeentry(list); slot < 0) {
            msg.reply(form, mask + " Your ACCESS list is full.");
        } else {
            list.set(slot, mask);
            msg.reply(form, mask + " mask has been added to your ACCESS list.");
        }
    } else if (sub == "DEL") {
        if (mask.empty()) {
            msg.reply(form, "Not enough parameters. Syntax is ACCESS DEL <mask>");
        } else if (int slot = findentry(list, msg.upwords[2]); slot < 0) {
            msg.reply(form, mask + " mask is not in your ACCESS list.");
        } else {
            list.set(slot, "");
            msg.reply(form, mask + " mask has been deleted from your ACCESS list.");
        }
    } else {
        bool any = false;
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i].empty()) continue;
            msg.reply(form, list[i]);
            any = true;
        }
        msg.reply(form, any ? "End of ACCESS list" : "Your ACCESS list is empty");
    }
}

void set(TForm1& form, tbotmessage& msg) {
    const std::string& option = msg.upwords[1];
    if (option == "PASSWORD") {
        setpassword(form, msg);
        return;
    }
    if (option != "EMAIL" && option != "URL" && option != "PRIVMSG" && option != "PRIVATE") {
        msg.reply(form, "Invalid parameters. Syntax is SET <option>. Type /msg " +
                            form.cfg.nicknick + " HELP SET for a list of valid options.");
        return;
    }
    if (!ownrecord(form, msg)) return;
    Tnickserv& rec = form.nickreg(msg.ns);
    if (option == "EMAIL") {
        rec.email = msg.words[2];
        msg.reply(form, "Your email information has been changed.");
    } else if (option == "URL") {
        rec.url = msg.words[2];
        msg.reply(form, "Your URL information has been changed.");
    } else if (option == "PRIVMSG") {
        onoff(form, msg, rec.privmsg, "Services now send messages as PRIVMSG",
              "Services now send messages as NOTICE");
    } else {
        onoff(form, msg, rec.private_, "Your nick information is now private",
              "Your nick information is no longer private");
    }
}

void ignore(TForm1& form, tbotmessage& msg) {
    auto& list = form.nickreg(msg.ns).ignore;
    const std::string& sub = msg.upwords[1];
    const std::string& nick = msg.words[2];
    if (sub == "ADD") {
        if (nick.empty()) {
            msg.reply(form, "Not enough parameters. Syntax is IGNORE ADD <nick>");
        } else if (findentry(list, msg.upwords[2]) >= 0) {
            msg.reply(form, "nick " + nick + " is already in your IGNORE list.");
        } else if (int slot = freeentry(list); slot < 0) {
            msg.reply(form, "Your IGNORE list is full.");
        } else {
            list.set(slot, nick);
            msg.reply(form, nick + " nick has been added to your IGNORE list.");
        }
    } else if (sub == "DEL") {
        if (nick.empty()) {
            msg.reply(form, "Not enough parameters. Syntax is IGNORE DEL <nick|number>");
        } else if (int slot = findentry(list, msg.upwords[2]); slot < 0) {
            msg.reply(form, nick + " nick is not in your IGNORE list.");
        } else {
            list.set(slot, "");
            msg.reply(form, nick + " nick has been deleted from your IGNORE list.");
        }
    } else {
        int shown = 0;
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i].empty()) continue;
            std::string number = std::to_string(++shown);
            number.resize(std::max<size_t>(number.size(), 4), ' ');
            msg.reply(form, number + list[i]);
        }
        msg.reply(form, shown > 0 ? "End of IGNORE list" : "Your IGNORE list is empty");
    }
}

} // namespace tessel::nickserv
