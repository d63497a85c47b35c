#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "p10/ircupper.h"
#include "state/rectable.h"

namespace tessel {

// Lowest slot whose in-use flag is clear, or -1 when every slot is taken.
// Every slot above the high-water mark is free, so this is the lowest free
// slot of 0..high-water+1 whenever the table is consistent.
template <class T> int32_t lowestfreeslot(const rectable<T>& table) {
    const uint8_t* flags = table.inuse.data();
    const void* hit = std::memchr(flags, 0, table.inuse.size());
    if (!hit) return -1;
    return static_cast<int32_t>(static_cast<const uint8_t*>(hit) - flags);
}

// A fresh record in `slot`, flagged in use; the high-water mark rises to the
// slot when it lies above.
template <class T> T& newrecord(rectable<T>& table, int32_t slot) {
    table.recs[slot] = std::make_unique<T>();
    table.inuse[slot] = 1;
    if (slot > table.highwater) table.highwater = slot;
    return *table.recs[slot];
}

// A fresh record in the lowest free slot; -1 when the table is full.
template <class T> int32_t addrecord(rectable<T>& table) {
    const int32_t slot = lowestfreeslot(table);
    if (slot >= 0) newrecord(table, slot);
    return slot;
}

// Slot named `name` in the table's index, -1 when the name is unknown or its
// slot is not in use.
template <class T> int32_t findname(const rectable<T>& table, std::string_view name) {
    const int32_t slot = table.index.find(ircupper(name)) - 1;
    return table.valid(slot) ? slot : -1;
}

// Removes the index entry `key` -> slot. When another slot was entered under
// the same key later, its newer entry stays in front and keeps shadowing.
template <class T> void unindex(rectable<T>& table, const std::string& key, int32_t slot) {
    if (key.empty()) return;
    std::vector<int32_t> newer;
    for (int32_t value = table.index.find(key); value != 0 && value != slot + 1;
         value = table.index.find(key)) {
        newer.push_back(value);
        table.index.remove(key);
    }
    if (table.index.find(key) == slot + 1) table.index.remove(key);
    for (auto it = newer.rbegin(); it != newer.rend(); ++it)
        table.index.add(key, *it);
}

// Renames the record in `slot`: its name and key fields follow `name` and the
// index is moved from the old key to the new one. The empty name takes the
// record out of the index. Slots without a record are left alone.
template <class T>
void setname(rectable<T>& table, int32_t slot, std::string T::*namefield, std::string T::*keyfield,
             const std::string& name) {
    if (slot < 0 || slot >= table.capacity() || !table.recs[slot]) return;
    T& rec = *table.recs[slot];
    unindex(table, rec.*keyfield, slot);
    rec.*namefield = name;
    rec.*keyfield = ircupper(name);
    if (!(rec.*keyfield).empty()) table.index.add(rec.*keyfield, slot + 1);
}

// Takes a record out of the table: out of the index, flag cleared, freed.
template <class T> void freeslot(rectable<T>& table, int32_t slot, std::string T::*keyfield) {
    if (slot < 0 || slot >= table.capacity()) return;
    if (table.recs[slot]) unindex(table, (*table.recs[slot]).*keyfield, slot);
    table.inuse[slot] = 0;
    table.recs[slot].reset();
}

// Empties the whole table: every record freed, the index cleared, the
// high-water mark back at its start.
template <class T> void cleartable(rectable<T>& table) {
    std::fill(table.inuse.begin(), table.inuse.end(), 0);
    for (auto& rec : table.recs)
        rec.reset();
    table.index.clear();
    table.highwater = 1;
}

} // namespace tessel
