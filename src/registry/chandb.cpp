#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "registry/dblists.h"
#include "registry/safefile.h"
#include "state/modelock.h"
#include "state/tableops.h"

namespace tessel {

namespace {

// Mode lock of a channel read before (or without) its mlock line.
constexpr const char* kDefaultLockOn = "tn";

void writechannel(tsafefile& out, const Tchanserv& r) {
    out.line("channel=" + r.channel);
    out.line("regdate=" + std::to_string(r.regdate));
    out.line("lastdate=" + std::to_string(r.lastdate));
    out.line("TS=" + std::to_string(r.TS));
    out.line("owner=" + r.owner);
    out.line("pass=" + r.password);
    out.line("mlock=" + modelocktext(r));
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

// One field line of a record; the record's name has been handled already.
void readchannelfield(TForm1& form, int32_t slot, const std::string& key, std::string_view value) {
    Tchanserv& r = form.chanreg(slot);
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
        form.PARSEMODELOCK(slot, std::string(value));
    else if (key == "SOP")
        readlist(r.lists[LIST_SOP], value);
    else if (key == "AOP")
        readlist(r.lists[LIST_AOP], value);
    else if (key == "VOP")
        readlist(r.lists[LIST_VOP], value);
    else if (key == "AKICK")
        readlist(r.lists[LIST_AKICK], value);
}

} // namespace

bool TForm1::SAVECHANSERV() {
    return writedatabase(DB_CHANSERV, [this](tsafefile& out) {
        writerecords(out, "# CHANSERV DATABASE", reg.chans, writechannel);
    });
}

void TForm1::LOADCHANSERV() {
    CLEARCS();
    readrecords(
        DB_CHANSERV, "CHANNEL", reg.chans.capacity(), reg.chans.highwater,
        [&](int32_t slot, std::string_view name) {
            Tchanserv& r = newrecord(reg.chans, slot);
            SETCS(slot, std::string(name));
            ++reg.chancount;
            r.mlockon = kDefaultLockOn;
            // A live channel and its registration point at each other.
            r.chanindex = GETCHANNAME(r.channel);
            if (r.chanindex >= 0) channel(r.chanindex).csindex = slot;
        },
        [&](int32_t slot, const std::string& key, std::string_view value) {
            readchannelfield(*this, slot, key, value);
        });
}

} // namespace tessel
