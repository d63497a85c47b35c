#pragma once

#include "util/tlinklist.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace tessel {

// String-keyed hash table of thashitem nodes in 16384 buckets. Keys are
// compared byte for byte; the name indexes always use IRC-upper-cased keys and
// store slot + 1 as value, so that 0 can mean "absent".
//
// The bucket array is allocated on the first add: the engine embeds several of
// these tables and an unused one should not cost 128 KB.
class thashtable {
public:
    static constexpr uint32_t bucketcount = 16384;

    thashtable() = default;
    ~thashtable();
    thashtable(const thashtable&) = delete;
    thashtable& operator=(const thashtable&) = delete;
    thashtable(thashtable&& other) noexcept = default;
    thashtable& operator=(thashtable&& other) noexcept;

    // Bucket number of a key, 0..16383.
    static uint32_t hashof(std::string_view key);

    // Adds an entry in front of any earlier entry with the same key; existing
    // entries are not checked, so the newest one shadows older ones.
    void add(std::string_view key, int32_t value);
    // Value of the newest entry with the key, or 0 when there is none.
    int32_t find(std::string_view key) const;
    // Removes and frees the newest entry with the key; absent keys are ignored.
    void remove(std::string_view key);
    // Frees every entry and the bucket array.
    void clear();

private:
    thashitem* lookup(uint32_t bucket, std::string_view key) const;

    std::unique_ptr<tlinklist*[]> buckets_;
};

} // namespace tessel
