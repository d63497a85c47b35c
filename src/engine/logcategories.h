#pragma once

#include <cstdint>

namespace tessel {

// The categories of LOGWRITE, one bit each; LOGMASK selects which are written.
inline constexpr int32_t kLogLinkUp = 0x1;          // link established or failed
inline constexpr int32_t kLogLinkDown = 0x2;        // link lost, ERROR from the hub
inline constexpr int32_t kLogConnect = 0x4;         // client connects
inline constexpr int32_t kLogQuit = 0x8;            // client quits
inline constexpr int32_t kLogKill = 0x10;           // kills
inline constexpr int32_t kLogServerLink = 0x20;     // servers joining the network
inline constexpr int32_t kLogServerQuit = 0x40;     // servers splitting off
inline constexpr int32_t kLogWallops = 0x80;        // wallops
inline constexpr int32_t kLogChannelCreate = 0x100; // channels created
inline constexpr int32_t kLogKick = 0x200;          // kicks
inline constexpr int32_t kLogGlineAdded = 0x400;    // G-line added or renewed
inline constexpr int32_t kLogGlineGone = 0x800;     // G-line removed or expired
inline constexpr int32_t kLogAdmin = 0x1000;        // administrative actions
inline constexpr int32_t kLogRaw = 0x2000;          // every received line
inline constexpr int32_t kLogInvalid = 0x4000;      // protocol anomalies

} // namespace tessel
