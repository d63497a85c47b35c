#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "registry/passwords.h"

namespace tessel {

// Default name of the services' server and of the service clients' host.
inline constexpr const char* kDefaultServerName = "services.tessel.net";

struct tscanreason {
    std::string name; // empty = free entry
    std::string reason;
};

// Every setting read from tesselsv.ini / tesselsv.cfg, plus the values derived
// from them. Field names are the configuration keys in lower case.
struct tconfig {
    std::array<std::string, 101> soplist;
    std::string connectaddr = "127.0.0.1";
    std::string connectport = "6667";
    std::string connectpass = "kqzv";
    std::string servername = kDefaultServerName;
    std::string servergcos = "tessel ircd services";
    int32_t serverid = 0;
    std::string servhost = kDefaultServerName;
    std::string servuserid = "service";
    std::string nicknick = "NickServ";
    std::string nickgcos = "/msg NickServ help";
    std::string channick = "ChanServ";
    std::string changcos = "/msg ChanServ help";
    std::string memonick = "MemoServ";
    std::string memogcos = "/msg MemoServ help";
    std::string opernick = "OperServ";
    std::string opergcos = "IRC Operator service";
    bool usekill = false;
    bool settime = false;
    int32_t umode = 1;
    bool scanner = false;      // kept across re-reads
    int32_t scangduration = 0; // kept across re-reads
    int32_t nickexpire = 30;
    int32_t chanexpire = 30;
    int32_t maxchanperuser = 2;
    int32_t clonewarn = 0;
    int32_t clonekill = 0;
    std::string logfile;
    int32_t logmask = 0;
    std::string autogreet;
    bool hiddenhost = true;
    bool cryptpass = true;
    std::string msgcommand = "O"; // "P" or "O" after normalisation
    bool allownickreg = true;
    bool allowchanreg = true;
    bool safeidentify = true;
    std::string operchannel = "#OperServ";
    std::array<tscanreason, 10> scanreasons;

    // Password storage and the throttle on password attempts.
    tpassform passhash = tpassform::digest;
    int32_t passhashops = kArgonOpsDefault;
    int32_t passhashmem = kArgonMemDefaultKiB; // KiB
    int32_t passhashrate = 30;                 // slow checks a second; 0 unlimited
    int32_t passfailhost = 5;      // failures for one registration from one host; 0 no limit
    int32_t passfailclient = 10;   // failures of one client over all registrations; 0 no limit
    int32_t passfailwindow = 600;  // seconds in which those failures count
    int32_t passlocktime = 600;    // seconds a host or client is then refused
    int32_t passfailannounce = 10; // every so many failures for one registration; 0 never

    // Derived: own server number (SERVERID & 4095) and its two-character form.
    int32_t servernumber = 0;
    std::string servernumeric;
};

// One key of the configuration file and what it sets.
struct tconfigkey {
    std::string_view name; // upper case, as compared
    std::string tconfig::*text = nullptr;
    bool tconfig::*flag = nullptr;
    int32_t tconfig::*number = nullptr;
    void (*rule)(tconfig&, const std::string& value) = nullptr;
};

// Every key the loader knows, in the order it tests them. Keys beginning
// with kScanReasonKey name scanner ports and are not listed.
std::span<const tconfigkey> configkeys();

// Prefix of the scanner reason keys: SCANREASON<port>=<reason>.
inline constexpr std::string_view kScanReasonKey = "SCANREASON";

} // namespace tessel
