#pragma once

#include <cstdint>
#include <string>

#include "util/lazyslots.h"

namespace tessel {

inline constexpr int kNickRegCapacity = 30001; // slots 0..30000
inline constexpr int kChanRegCapacity = 10001; // slots 0..10000
inline constexpr int kNickAccess = 10;
inline constexpr int kNickIgnore = 16;
inline constexpr int kMemoSlots = 31;
inline constexpr int kChanListEntries = 101;

// Channel access lists, in the order they are stored.
enum chanlist { LIST_AOP = 0, LIST_SOP = 1, LIST_VOP = 2, LIST_AKICK = 3 };

struct tmemo {
    std::string sender; // empty = free slot
    int32_t sent = 0;
    std::string text;
    bool operator==(const tmemo&) const = default;
};

// Wrong passwords given for a registration since its owner last identified;
// kept in memory only.
struct tfailedlogins {
    int32_t count = 0;
    std::string lastmask;   // full mask of the client that gave the last one
    std::string onlyclient; // numeric of the one client that gave them all, "" when several
};

// One registered nick.
struct Tnickserv {
    int32_t TS = 0;
    std::string nick;
    std::string nickkey;
    std::string gecos;
    std::string lastmask;
    std::string password;
    std::string email;
    std::string url;
    int32_t regdate = 0;
    int32_t lastdate = 0;
    int32_t identuser = -1;
    lazyslots<std::string, kNickAccess> access;
    lazyslots<std::string, kNickIgnore> ignore;
    bool privmsg = false;
    bool private_ = false; // the `private` flag
    lazyslots<tmemo, kMemoSlots> memos;
    tfailedlogins failed;
};

// One registered channel.
struct Tchanserv {
    std::string channel;
    std::string chankey;
    std::string password;
    int32_t chanindex = -1;
    std::string owner;
    std::string url;
    std::string welcome;
    std::string topic;
    lazyslots<std::string, kChanListEntries> lists[4]; // AOP, SOP, VOP, AKICK
    int32_t regdate = 0;
    int32_t lastdate = 0;
    bool ownerpresent = false;
    bool private_ = false; // the `private` flag
    bool strictop = false;
    bool operop = false;
    bool operonly = false;
    std::string mlockon;
    std::string mlockoff;
    int32_t TS = 0;
    tfailedlogins failed;
};

// Channel privilege levels, as CHANACCESS reports them and ChanServ's
// commands require them.
inline constexpr int32_t kLevelAkick = -1;
inline constexpr int32_t kLevelNone = 0;
inline constexpr int32_t kLevelVop = 1;
inline constexpr int32_t kLevelAop = 2;
inline constexpr int32_t kLevelSop = 3;
inline constexpr int32_t kLevelFounder = 4; // the identified owner

// Results of NICKACCESS (and of the channel password check, which has no mask).
inline constexpr int32_t kAccessNoRecord = -1;
inline constexpr int32_t kAccessNoMask = 0;
inline constexpr int32_t kAccessWrongPassword = 1;
inline constexpr int32_t kAccessGranted = 2;
inline constexpr int32_t kAccessRefused = 3; // throttled: not checked, the refusal says why

// Result of CHANACCESS.
struct cprivsrec {
    bool registered = false;
    int32_t level = 0;
    bool founder = false;
    bool strictop = false;
    bool canvoice = false;
    bool canop = false;
};

} // namespace tessel
