// LOADCONF: reading tesselsv.ini (or tesselsv.cfg) into the settings.
#include <charconv>
#include <fstream>
#include <iterator>

#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "p10/ircupper.h"
#include "p10/numerics.h"
#include "util/twords.h"

namespace tessel {

namespace {

constexpr int32_t kServerNumberMask = 4095;
constexpr size_t kScanReasonPrefix = kScanReasonKey.size();
constexpr size_t kScanReasonNameMax = 200;

// A decimal integer with an optional sign that fits 32 bits; anything else
// (blanks included) is not a number and leaves the setting alone.
bool parseint(const std::string& text, int32_t& out) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    if (first == last) return false;
    int32_t value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) return false;
    out = value;
    return true;
}

void setint(const std::string& value, int32_t& setting) {
    parseint(value, setting);
}

bool isflagon(const std::string& value) {
    return value == "1";
}

// Same name: the lowest entry holding it is overwritten; otherwise the lowest
// free entry is taken; a full table ignores the line.
void setscanreason(std::array<tscanreason, 10>& table, const std::string& name,
                   const std::string& reason) {
    if (name.empty()) return; // an entry with an empty name counts as free
    int same = -1;
    int freeentry = -1;
    for (int i = static_cast<int>(table.size()) - 1; i >= 0; --i) {
        if (table[i].name == name) same = i;
        if (table[i].name.empty()) freeentry = i;
    }
    int target = same >= 0 ? same : freeentry;
    if (target < 0) return;
    table[target].name = name;
    table[target].reason = reason;
}

// Everything LOADCONF puts back before reading: the defaults of tconfig,
// except the scanner settings, which survive a re-read.
void resetdefaults(tconfig& cfg, std::mt19937& random) {
    const bool scanner = cfg.scanner;
    const int32_t scangduration = cfg.scangduration;
    cfg = tconfig{};
    cfg.scanner = scanner;
    cfg.scangduration = scangduration;
    cfg.serverid = static_cast<int32_t>(random() % (kServerNumberMask + 1));
}

void setsop(tconfig& cfg, const std::string& value) {
    cfg.soplist = splitwords(value);
}
void setserverid(tconfig& cfg, const std::string& value) {
    if (parseint(value, cfg.serverid)) cfg.serverid &= kServerNumberMask;
}
void setscangduration(tconfig& cfg, const std::string& value) {
    // Up to nine digits and nothing else; any other value marks it invalid with -1.
    cfg.scangduration = digitsvalue(value, 9);
}
void setmsgcommand(tconfig& cfg, const std::string& value) {
    cfg.msgcommand = value == "PRIVMSG" ? "P" : value;
}
void setpasshash(tconfig& cfg, const std::string& value) {
    cfg.passhash = ircupper(value) == "ARGON2ID" ? tpassform::argon2id : tpassform::digest;
}

// Every key, in the order the loader tests them. A row sets a text, a flag
// (on only for "1"), a number (left alone when the value is not one) or runs
// its own rule.
constexpr tconfigkey keys[] = {
    {.name = "SOP", .rule = setsop},
    {.name = "CONNECTADDR", .text = &tconfig::connectaddr},
    {.name = "CONNECTPORT", .text = &tconfig::connectport},
    {.name = "CONNECTPASS", .text = &tconfig::connectpass},
    {.name = "SERVERNAME", .text = &tconfig::servername},
    {.name = "SERVERGCOS", .text = &tconfig::servergcos},
    {.name = "SERVERID", .rule = setserverid},
    {.name = "SERVHOST", .text = &tconfig::servhost},
    {.name = "SERVUSERID", .text = &tconfig::servuserid},
    {.name = "NICKNICK", .text = &tconfig::nicknick},
    {.name = "NICKGCOS", .text = &tconfig::nickgcos},
    {.name = "CHANNICK", .text = &tconfig::channick},
    {.name = "CHANGCOS", .text = &tconfig::changcos},
    {.name = "MEMONICK", .text = &tconfig::memonick},
    {.name = "MEMOGCOS", .text = &tconfig::memogcos},
    {.name = "OPERNICK", .text = &tconfig::opernick},
    {.name = "OPERGCOS", .text = &tconfig::opergcos},
    {.name = "USEKILL", .flag = &tconfig::usekill},
    {.name = "SETTIME", .flag = &tconfig::settime},
    {.name = "UMODE", .number = &tconfig::umode},
    {.name = "SCANNER", .flag = &tconfig::scanner},
    {.name = "SCANGDURATION", .rule = setscangduration},
    {.name = "NICKEXPIRE", .number = &tconfig::nickexpire},
    {.name = "CHANEXPIRE", .number = &tconfig::chanexpire},
    {.name = "MAXCHANPERUSER", .number = &tconfig::maxchanperuser},
    {.name = "CLONEWARN", .number = &tconfig::clonewarn},
    {.name = "CLONEKILL", .number = &tconfig::clonekill},
    {.name = "LOGFILE", .text = &tconfig::logfile},
    {.name = "LOGMASK", .number = &tconfig::logmask},
    {.name = "AUTOGREET", .text = &tconfig::autogreet},
    {.name = "HIDDENHOST", .flag = &tconfig::hiddenhost},
    {.name = "CRYPTPASS", .flag = &tconfig::cryptpass},
    {.name = "MSGCOMMAND", .rule = setmsgcommand},
    {.name = "ALLOWNICKREG", .flag = &tconfig::allownickreg},
    {.name = "ALLOWCHANREG", .flag = &tconfig::allowchanreg},
    {.name = "SAFEIDENTIFY", .flag = &tconfig::safeidentify},
    {.name = "OPERCHANNEL", .text = &tconfig::operchannel},
    {.name = "PASSHASH", .rule = setpasshash},
    {.name = "PASSHASHOPS", .number = &tconfig::passhashops},
    {.name = "PASSHASHMEM", .number = &tconfig::passhashmem},
    {.name = "PASSHASHRATE", .number = &tconfig::passhashrate},
    {.name = "PASSFAILHOST", .number = &tconfig::passfailhost},
    {.name = "PASSFAILCLIENT", .number = &tconfig::passfailclient},
    {.name = "PASSFAILWINDOW", .number = &tconfig::passfailwindow},
    {.name = "PASSLOCKTIME", .number = &tconfig::passlocktime},
    {.name = "PASSFAILANNOUNCE", .number = &tconfig::passfailannounce},
};

void applysetting(tconfig& cfg, const std::string& key, const std::string& value) {
    for (const tconfigkey& k : keys) {
        if (k.name != key) continue;
        if (k.text) cfg.*k.text = value;
        if (k.flag) cfg.*k.flag = isflagon(value);
        if (k.number) setint(value, cfg.*k.number);
        if (k.rule) k.rule(cfg, value);
        break;
    }
    if (key.compare(0, kScanReasonPrefix, kScanReasonKey) == 0) {
        setscanreason(cfg.scanreasons, key.substr(kScanReasonPrefix, kScanReasonNameMax), value);
    }
}

} // namespace

std::span<const tconfigkey> configkeys() {
    return keys;
}

void TForm1::LOADCONF() {
    net.serverbynumber.fill(-1);
    if (log.logfile) {
        std::fclose(log.logfile);
        log.logfile = nullptr;
    }
    log.logopen = false;
    resetdefaults(cfg, random);

    std::ifstream file("tesselsv.ini", std::ios::binary);
    if (!file.is_open()) file.open("tesselsv.cfg", std::ios::binary);
    if (file.is_open()) {
        const std::string text{std::istreambuf_iterator<char>(file),
                               std::istreambuf_iterator<char>()};
        // A line without "=" repeats the previous line's key and value.
        std::string key;
        std::string value;
        size_t start = 0;
        while (start < text.size()) {
            // CR LF, CR and LF all end a line.
            size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos) end = text.size();
            std::string_view line = std::string_view(text).substr(start, end - start);
            start = end + 1;
            if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++start;
            if (!line.empty() && (line[0] == '#' || line[0] == ';')) continue;
            size_t eq = line.find('=');
            if (eq != std::string_view::npos) {
                key = ircupper(line.substr(0, eq));
                value = std::string(line.substr(eq + 1));
            }
            applysetting(cfg, key, value);
        }
    }

    // Derived values. They are derived even without a file, so the services
    // never introduce themselves with an empty numeric nor forget their own.
    const bool privmsg = ircupper(cfg.msgcommand) == "P";
    cfg.msgcommand.assign(1, privmsg ? 'P' : 'O');

    if (!cfg.logfile.empty()) {
        log.logfile = std::fopen(cfg.logfile.c_str(), "a");
        log.logopen = log.logfile != nullptr;
    }

    cfg.servernumber = cfg.serverid;
    cfg.servernumeric = encodenumeric(static_cast<uint32_t>(cfg.serverid), 2);
    tserver& own = net.servers[0];
    own.numeric = cfg.servernumber;
    own.name = cfg.servername;
    own.namekey = ircupper(cfg.servername);
    net.serverbynumber[cfg.servernumber] = 0;
}

} // namespace tessel
