// Storing and checking passwords for the registrations, with the throttle
// that keeps guessing slow and the loop free.
#include <chrono>
#include <cstdio>

#include "engine/logcategories.h"
#include "engine/tform1.h"
#include "p10/ircupper.h"
#include "registry/passwords.h"

namespace tessel {

namespace {

constexpr int32_t kSecondsPerMinute = 60;

int64_t monotonicms(const tpasswordstate& state) {
    if (state.millis) return state.millis();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t budgetclock(const tpasswordstate& state) {
    if (state.batchms >= 0) return state.batchms;
    return monotonicms(state);
}

uint32_t hashrate(const tconfig& cfg) {
    return cfg.passhashrate > 0 ? static_cast<uint32_t>(cfg.passhashrate) : 0;
}

std::string waittext(int32_t seconds) {
    const int32_t minutes = (seconds + kSecondsPerMinute - 1) / kSecondsPerMinute;
    return std::to_string(minutes) + (minutes == 1 ? " minute." : " minutes.");
}

// Attempts are counted per address: a user's host name is whatever the
// address resolves to, which its owner may choose.
std::string hostkey(const Tuser& u) {
    return u.ip.empty() ? ircupper(u.host) : u.ip;
}

} // namespace

tpasswordpolicy TForm1::passwordpolicy() const {
    tpasswordpolicy p;
    p.cryptpass = cfg.cryptpass;
    p.form = cfg.passhash;
    p.opslimit = cfg.passhashops > 0 ? static_cast<uint32_t>(cfg.passhashops) : 1;
    p.memkib = cfg.passhashmem > 0 ? static_cast<uint32_t>(cfg.passhashmem) : 1;
    return p;
}

std::string TForm1::encodepass(const std::string& password) {
    const tpasswordpolicy policy = passwordpolicy();
    std::string stored = storepassword(password, policy);
    // Making a hash costs what checking one does.
    passwords.budget.charge(budgetclock(passwords), hashrate(cfg), checkcost(stored, policy));
    return stored;
}

int32_t TForm1::checkpassword(int32_t user, const std::string& kind, const std::string& name,
                              std::string& stored, tfailedlogins& failed,
                              const std::string& password, std::string* refusal) {
    const Tuser& u = this->user(user);
    const std::string hostentry = kind + " " + ircupper(name) + " " + hostkey(u);
    const int32_t now = clock.now;
    auto refuse = [&](const std::string& text) {
        if (refusal) *refusal = text;
        return kAccessRefused;
    };
    if (int32_t wait = passwords.byclient.lockedfor(u.numeric, now); wait > 0)
        return refuse("Too many failed password attempts. Try again in " + waittext(wait));
    if (int32_t wait = passwords.byhost.lockedfor(hostentry, now); wait > 0)
        return refuse("Too many failed password attempts for " + name +
                      " from your host. Try again in " + waittext(wait));
    const tpasswordpolicy policy = passwordpolicy();
    if (!passwords.budget.take(budgetclock(passwords), hashrate(cfg), checkcost(stored, policy)))
        return refuse("Services are busy checking passwords. Try again shortly.");

    if (verifypassword(stored, password, cfg.cryptpass)) {
        passwords.byhost.forget(hostentry);
        if (needsrestore(stored, policy)) stored = encodepass(password);
        return kAccessGranted;
    }

    const std::string mask = u.nick + "!" + u.ident + "@" + u.host;
    failed.onlyclient = failed.count == 0 || failed.onlyclient == u.numeric ? u.numeric : "";
    ++failed.count;
    failed.lastmask = mask;
    passwords.byhost.fail(hostentry, now, cfg.passfailhost, cfg.passfailwindow, cfg.passlocktime);
    passwords.byclient.fail(u.numeric, now, cfg.passfailclient, cfg.passfailwindow,
                            cfg.passlocktime);
    if (cfg.passfailannounce > 0 && failed.count % cfg.passfailannounce == 0)
        SENDOPERCHANNEL(user, std::to_string(failed.count) + " failed password attempts for " +
                                  kind + " " + name + ", the last from " + mask);
    return kAccessWrongPassword;
}

int32_t TForm1::chanpassword(int32_t user, int32_t cs, const std::string& password,
                             std::string* refusal) {
    if (!reg.chans.valid(cs) || !net.users.valid(user)) return kAccessNoRecord;
    Tchanserv& rec = chanreg(cs);
    return checkpassword(user, "channel", rec.channel, rec.password, rec.failed, password, refusal);
}

void TForm1::beginpasswordbatch() {
    passwords.batchms = monotonicms(passwords);
}

void TForm1::endpasswordbatch() {
    passwords.batchms = -1;
}

void TForm1::warnpasswordstorage() {
    if (cfg.cryptpass) return;
    const std::string text = "Warning: CRYPTPASS is off, new passwords are stored as typed";
    std::printf("%s\n", text.c_str());
    LOGWRITE(kLogAdmin, text);
}

} // namespace tessel
