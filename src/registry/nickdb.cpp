#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "registry/dblists.h"
#include "registry/dbreader.h"
#include "registry/safefile.h"
#include "state/tableops.h"

namespace tessel {

namespace {

constexpr size_t kMemoTextLoaded = 512;

void writenick(tsafefile& out, const Tnickserv& r) {
    out.line("nick=" + r.nick);
    out.line("gecos=" + r.gecos);
    out.line("regdate=" + std::to_string(r.regdate));
    out.line("lastdate=" + std::to_string(r.lastdate));
    out.line("TS=" + std::to_string(r.TS));
    out.line("lastmask=" + r.lastmask);
    out.line("pass=" + r.password);
    if (r.privmsg) out.line("privmsg=1");
    if (r.private_) out.line("private=1");
    if (!r.email.empty()) out.line("email=" + r.email);
    if (!r.url.empty()) out.line("url=" + r.url);
    out.line("access=" + listtext(r.access));
    const std::string ignores = listtext(r.ignore);
    if (!ignores.empty()) out.line("ignore=" + ignores);
    for (size_t i = 0; i < r.memos.size(); ++i) {
        const tmemo& m = r.memos[i];
        if (m.sender.empty()) continue;
        out.line("memo=" + m.sender + " " + std::to_string(m.sent) + " :" + m.text);
    }
    out.line("");
}

// One field line of a record; the record's name has been handled already.
void readnickfield(Tnickserv& r, const std::string& key, std::string_view value, int& memo) {
    if (key == "GECOS")
        r.gecos = value;
    else if (key == "LASTMASK")
        r.lastmask = value;
    else if (key == "PASS")
        r.password = value;
    else if (key == "EMAIL")
        r.email = value;
    else if (key == "URL")
        r.url = value;
    else if (key == "REGDATE")
        r.regdate = decimalor(value, 0);
    else if (key == "LASTDATE")
        r.lastdate = decimalor(value, 0);
    else if (key == "TS")
        r.TS = decimalor(value, 0);
    else if (key == "PRIVMSG")
        r.privmsg = value == "1";
    else if (key == "PRIVATE")
        r.private_ = value == "1";
    else if (key == "ACCESS")
        readlist(r.access, value);
    else if (key == "IGNORE")
        readlist(r.ignore, value);
    else if (key == "MEMO") {
        // A full mailbox ignores further memo lines.
        if (memo >= kMemoSlots) return;
        const twords words = splitwords(value);
        tmemo& m = r.memos.at(memo++);
        m.sender = words[0];
        m.sent = decimalor(words[1], 0);
        m.text = trailingtext(value).substr(0, kMemoTextLoaded);
    }
}

} // namespace

bool TForm1::SAVENICKSERV() {
    return writedatabase(DB_NICKSERV, [this](tsafefile& out) {
        writerecords(out, "# NICKSERV DATABASE", reg.nicks, writenick);
    });
}

void TForm1::LOADNICKSERV() {
    CLEARNS();
    int memo = 0; // memo slots filled in the record being read
    readrecords(
        DB_NICKSERV, "NICK", reg.nicks.capacity(), reg.nicks.highwater,
        [&](int32_t slot, std::string_view name) {
            newrecord(reg.nicks, slot);
            SETNS(slot, std::string(name));
            memo = 0;
            ++reg.nickcount;
        },
        [&](int32_t slot, const std::string& key, std::string_view value) {
            readnickfield(reg.nicks[slot], key, value, memo);
        });
}

} // namespace tessel
