#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "registry/dblists.h"
#include "registry/dbreader.h"
#include "registry/safefile.h"

namespace tessel {

namespace {

// Mode lock of a channel read before (or without) its mlock line.
constexpr const char* kDefaultLockOn = "tn";

std::string locktext(const Tchanserv& r) {
    std::string text;
    if (!r.mlockon.empty()) text += "+" + r.mlockon;
    if (!r.mlockoff.empty()) text += "-" + r.mlockoff;
    return text;
}

void writechannel(tsafefile& out, const Tchanserv& r) {
    out.line("channel=" + r.channel);
    out.line("regdate=" + std::to_string(r.regdate));
    out.line("lastdate=" + std::to_string(r.lastdate));
    out.line("TS=" + std::to_string(r.TS));
    out.line("owner=" + r.owner);
    out.line("pass=" + r.password);
    out.line("mlock=" + locktext(r));
    if (r.private_) out.line("private=1");
    if (r.strictop) out.line("strictop=1");
    if (r.operop) out.line("operop=1");
    if (r.operonly) out.line("operonly=1");
    if (!r.topic.empty()) out.line("topic=" + r.topic);
    if (!r.url.empty()) out.line("url=" + r.url);
    if (!r.welcome.empty()) out.line("welcome=" + r.welcome);
    out.line("sop=" + listtext(r.lists[LIST_SOP]));
    out.line("aop=" + listtext(r.lists[LIST_AOP]));
    out.line("vop=" + listtext(r.lists[LIST_VOP]));
    out.line("akick=" + listtext(r.lists[LIST_AKICK]));
    out.line("");
}

} // namespace

bool TForm1::SAVECHANSERV() {
    return writedatabase(DB_CHANSERV, [this](tsafefile& out) {
        out.line("# CHANSERV DATABASE");
        out.line("");
        for (int32_t i = 0; i <= reg.chans.highwater && i < reg.chans.capacity(); ++i)
            if (reg.chans.valid(i)) writechannel(out, reg.chans[i]);
    });
}

void TForm1::LOADCHANSERV() {
    CLEARCS();
    tdbreader in;
    if (!opendatabase(DB_CHANSERV, in)) return;
    int32_t last = -1;     // slot of the record being read
    bool skipping = false; // the lines belong to a record that is not stored
    std::string line;
    std::string key;
    std::string_view value;
    while (in.readline(line)) {
        if (!line.empty() && (line[0] == '#' || line[0] == ';')) continue;
        if (!splitkeyvalue(line, key, value)) continue;
        if (key == "CHANNEL") {
            // Records beyond the table's capacity are dropped with all their lines.
            skipping = last + 1 >= reg.chans.capacity() || !loadablename(value);
            if (skipping) continue;
            ++last;
            reg.chans.recs[last] = std::make_unique<Tchanserv>();
            reg.chans.inuse[last] = 1;
            SETCS(last, std::string(value));
            ++reg.chancount;
            Tchanserv& r = reg.chans[last];
            r.mlockon = kDefaultLockOn;
            // A live channel and its registration point at each other.
            r.chanindex = GETCHANNAME(r.channel);
            if (r.chanindex >= 0) channel(r.chanindex).csindex = last;
            continue;
        }
        if (last < 0 || skipping) continue;
        Tchanserv& r = reg.chans[last];
        if (key == "REGDATE")
            r.regdate = decimalor(value, 0);
        else if (key == "LASTDATE")
            r.lastdate = decimalor(value, 0);
        else if (key == "TS")
            r.TS = decimalor(value, 0);
        else if (key == "OWNER")
            r.owner = value;
        else if (key == "PASS")
            r.password = value;
        else if (key == "TOPIC")
            r.topic = value;
        else if (key == "URL")
            r.url = value;
        else if (key == "WELCOME")
            r.welcome = value;
        else if (key == "PRIVATE")
            r.private_ = value == "1";
        else if (key == "STRICTOP")
            r.strictop = value == "1";
        else if (key == "OPEROP")
            r.operop = value == "1";
        else if (key == "OPERONLY")
            r.operonly = value == "1";
        else if (key == "MLOCK")
            PARSEMODELOCK(last, std::string(value));
        else if (key == "SOP")
            readlist(r.lists[LIST_SOP], value);
        else if (key == "AOP")
            readlist(r.lists[LIST_AOP], value);
        else if (key == "VOP")
            readlist(r.lists[LIST_VOP], value);
        else if (key == "AKICK")
            readlist(r.lists[LIST_AKICK], value);
    }
    closedatabase(DB_CHANSERV, in);
    reg.chans.highwater = last;
}

} // namespace tessel
