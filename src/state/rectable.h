#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "util/thashtable.h"

namespace tessel {

// A fixed table of records addressed by slot: record objects exist only for
// slots in use, an in-use flag per slot, a name index (IRC-upper-cased name ->
// slot + 1) and the high-water slot up to which every scan runs.
template <class T> struct rectable {
    explicit rectable(int capacity) : recs(capacity), inuse(capacity, 0) {}

    std::vector<std::unique_ptr<T>> recs;
    std::vector<uint8_t> inuse;
    thashtable index;
    int32_t highwater = 1;

    int32_t capacity() const { return static_cast<int32_t>(recs.size()); }
    bool valid(int32_t i) const { return i >= 0 && i < capacity() && inuse[i] && recs[i]; }
    T& operator[](int32_t i) { return *recs[i]; }
    const T& operator[](int32_t i) const { return *recs[i]; }
};

} // namespace tessel
