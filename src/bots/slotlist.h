#pragma once

// The fixed lists of the registrations (access masks, ignores, a mailbox,
// channel access lists) share four operations: the lowest free slot, finding
// an entry by its IRC-upper-cased text, the n-th entry in use, and removing
// an entry with the later ones moving down.
#include <string>

#include "p10/ircupper.h"
#include "registry/records.h"

namespace tessel {

inline bool slotempty(const std::string& entry) {
    return entry.empty();
}
inline bool slotempty(const tmemo& memo) {
    return memo.sender.empty();
}

// Lowest free slot, -1 when the list is full.
template <class List> int lowestfree(const List& list) {
    for (size_t i = 0; i < list.size(); ++i)
        if (slotempty(list[i])) return static_cast<int>(i);
    return -1;
}

// Lowest slot whose entry equals `upname` IRC-case-insensitively, -1 when none.
template <class List> int findupper(const List& list, const std::string& upname) {
    for (size_t i = 0; i < list.size(); ++i)
        if (!slotempty(list[i]) && ircupper(list[i]) == upname) return static_cast<int>(i);
    return -1;
}

// Slot of the n-th entry in use, counting from 1; -1 when there are fewer.
template <class List> int nthused(const List& list, int n) {
    if (n < 1) return -1;
    for (size_t i = 0; i < list.size(); ++i)
        if (!slotempty(list[i]) && --n == 0) return static_cast<int>(i);
    return -1;
}

// Number of entries in use.
template <class List> int usedcount(const List& list) {
    int count = 0;
    for (size_t i = 0; i < list.size(); ++i)
        if (!slotempty(list[i])) ++count;
    return count;
}

// Empties `slot` and moves every later slot down by one, so the last slot
// becomes free and numbers stay contiguous.
template <class List> void removecompact(List& list, int slot) {
    if (slot < 0 || static_cast<size_t>(slot) >= list.size()) return;
    for (size_t i = static_cast<size_t>(slot); i + 1 < list.size(); ++i)
        list.set(i, list[i + 1]);
    list.set(list.size() - 1, {});
}

} // namespace tessel
