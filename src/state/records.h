#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "util/lazyslots.h"

namespace tessel {

inline constexpr int kUserCapacity = 30001;    // slots 0..30000
inline constexpr int kChannelCapacity = 10001; // slots 0..10000
inline constexpr int kServerCapacity = 128;    // slot 0 is the services' own server
inline constexpr int kServerNumbers = 4096;    // every two-character server numeric
inline constexpr int kUserChannels = 20;       // channels one user can be in
inline constexpr int kChannelMembers = 1024;   // member positions of one channel
inline constexpr int kChannelBans = 120;       // ban slots of one channel

// Member status bits of a channel position.
inline constexpr uint8_t kStatusVoice = 1;
inline constexpr uint8_t kStatusOp = 2;

// One client on the network.
struct Tuser {
    std::string nick;
    std::string nickkey; // ircupper(nick), key of the nick index
    std::string ident;
    std::string host;
    std::string realname;
    int32_t nsindex = -1; // registered nick matching the current nick
    int32_t nagstate = 0; // nick protection: 0 none, 1..4 warning steps, -1 finished
    bool identified = false;
    bool recognised = false;
    int32_t floodtime = 0;
    bool floodignored = false;
    bool umode_s = false, umode_w = false, umode_i = false, umode_x = false;
    bool umode_g = false, umode_d = false, umode_o = false, umode_r = false;
    bool servicesop = false;
    bool umode_k = false;
    std::array<int32_t, kUserChannels> channels;    // channel indexes, -1 free
    std::array<int32_t, kUserChannels> memberslots; // position in that channel's members
    int32_t server = -1;
    int32_t nickts = 0;
    bool clonechecked = false;
    std::string numeric; // 5-character client numeric
    int32_t clientnum = 0;
    std::string ip; // dotted IPv4 text

    Tuser() {
        channels.fill(-1);
        memberslots.fill(-1);
    }
};

// One channel that has or had members. Member positions and ban slots are
// stored lazily: positions never used cost nothing.
struct Tchannel {
    std::string name;
    std::string namekey;
    int32_t csindex = -1;
    bool cmode_i = false, cmode_m = false, cmode_n = false;
    bool cmode_p = false, cmode_t = false, cmode_s = false;
    int32_t limit = 0;
    std::string key;
    std::string topic;
    lazyslots<std::string, kChannelBans> bans;
    lazyslots<int32_t, kChannelMembers> members{-1};
    lazyslots<uint8_t, kChannelMembers> memberstatus{0};
    int32_t membercount = 0;
    std::string pendaddmodes, pendaddparams, penddelmodes, penddelparams;
    bool modesdirty = false;
    int32_t chants = 0;
};

// One server of the network (128 of them live as long as the engine).
struct tserver {
    bool inuse = false;
    std::string name;
    std::string namekey;
    int32_t numeric = -1;
    int32_t mask = 0;
    std::vector<int32_t> slots; // mask+1 entries when in use, user index or -1
    int32_t uplink = -1;
};

} // namespace tessel
