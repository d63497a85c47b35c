#pragma once

#include <array>
#include <cstdint>

#include "engine/logcategories.h"

namespace tessel {

enum dbfile { DB_NICKSERV = 0, DB_CHANSERV = 1, DB_OPERSERV = 2 };

// The three database files, relative to the working directory.
inline constexpr const char* kDbFileNames[3] = {"nickserv.db", "chanserv.db", "operserv.db"};

// Log category of database failures (administrative messages).
inline constexpr int32_t kLogDatabase = kLogAdmin; // failed loads and saves

// Per file, indexed by dbfile: whether the last save wrote it.
using tsaveresult = std::array<bool, 3>;

struct tdbstate {
    // A database file that exists but could not be read completely. Saving it
    // would replace the records that were never read by an empty or partial
    // table, so the file is left alone until a later load reads it.
    std::array<bool, 3> unreadable{};
};

} // namespace tessel
