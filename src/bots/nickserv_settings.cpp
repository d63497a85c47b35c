// NickServ ACCESS, SET and IGNORE: the owner's access masks, record settings
// and memo ignore list.
#include <algorithm>
#include <string>

#include "bots/nickserv.h"
#include "bots/slotlist.h"
#include "engine/tform1.h"

namespace tessel::nickserv {

namespace {

// ACCESS and IGNORE edit a list of the owner's record the same way and
// differ only in their words. In each text "%" stands for the entry as typed.
struct tlistkind {
    std::string_view addsyntax;
    std::string_view present; // ADD of an entry already there
    std::string_view full;
    std::string_view added;
    std::string_view delsyntax;
    std::string_view deleted;
    std::string_view absent; // DEL of an entry not there
    std::string_view end;    // after the listing
    std::string_view empty;  // the listing when nothing is there
    bool numbered;           // the listing numbers its entries
};

constexpr tlistkind kAccessKind = {
    "Not enough parameters. Syntax is ACCESS ADD <mask>",
    "% mask is already in your ACCESS list.",
    "% Your ACCESS list is full.",
    "% mask has been added to your ACCESS list.",
    "Not enough parameters. Syntax is ACCESS DEL <mask>",
    "% mask has been deleted from your ACCESS list.",
    "% mask is not in your ACCESS list.",
    "End of ACCESS list",
    "Your ACCESS list is empty",
    false,
};

constexpr tlistkind kIgnoreKind = {
    "Not enough parameters. Syntax is IGNORE ADD <nick>",
    "nick % is already in your IGNORE list.",
    "Your IGNORE list is full.",
    "% nick has been added to your IGNORE list.",
    "Not enough parameters. Syntax is IGNORE DEL <nick|number>",
    "% nick has been deleted from your IGNORE list.",
    "% nick is not in your IGNORE list.",
    "End of IGNORE list",
    "Your IGNORE list is empty",
    true,
};

std::string withentry(std::string_view text, const std::string& entry) {
    const size_t mark = text.find('%');
    if (mark == std::string_view::npos) return std::string(text);
    std::string out(text.substr(0, mark));
    out += entry;
    out += text.substr(mark + 1);
    return out;
}

// ADD entry, DEL entry, or (any other sub-command) the listing. Entries are
// kept as typed and compared IRC-upper-cased; DEL frees the lowest matching
// slot in place, and ADD takes the lowest free one.
template <class List>
void editlist(TForm1& form, const tbotmessage& msg, List& list, const tlistkind& kind) {
    const std::string& sub = msg.upwords[1];
    const std::string& entry = msg.words[2];
    if (sub == "ADD") {
        if (entry.empty()) {
            msg.reply(form, kind.addsyntax);
        } else if (findupper(list, msg.upwords[2]) >= 0) {
            msg.reply(form, withentry(kind.present, entry));
        } else if (int slot = lowestfree(list); slot < 0) {
            msg.reply(form, withentry(kind.full, entry));
        } else {
            list.set(slot, entry);
            msg.reply(form, withentry(kind.added, entry));
        }
    } else if (sub == "DEL") {
        if (entry.empty()) {
            msg.reply(form, kind.delsyntax);
        } else if (int slot = findupper(list, msg.upwords[2]); slot < 0) {
            msg.reply(form, withentry(kind.absent, entry));
        } else {
            list.set(slot, "");
            msg.reply(form, withentry(kind.deleted, entry));
        }
    } else {
        int shown = 0;
        for (size_t i = 0; i < list.size(); ++i) {
            if (slotempty(list[i])) continue;
            ++shown;
            if (kind.numbered) {
                std::string number = std::to_string(shown);
                number.resize(std::max<size_t>(number.size(), 4), ' ');
                msg.reply(form, number + list[i]);
            } else {
                msg.reply(form, list[i]);
            }
        }
        msg.reply(form, shown > 0 ? kind.end : kind.empty);
    }
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
    if (checkowner(form, msg, msg.ns, msg.words[2]) != kAccessGranted) return;
    form.nickreg(msg.ns).password = form.encodepass(msg.words[3]);
    msg.reply(form, "Your password has been changed.");
}

} // namespace

void access(TForm1& form, tbotmessage& msg) {
    editlist(form, msg, form.nickreg(msg.ns).access, kAccessKind);
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
    if (!passesgate(form, msg, tgate::identified, "SET")) return;
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
    editlist(form, msg, form.nickreg(msg.ns).ignore, kIgnoreKind);
}

} // namespace tessel::nickserv
