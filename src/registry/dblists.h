#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "registry/safefile.h"
#include "state/rectable.h"
#include "util/lazyslots.h"
#include "util/twords.h"

namespace tessel {

// A list as the database files hold it: every non-empty entry in entry order,
// each followed by one blank.
template <std::size_t N> std::string listtext(const lazyslots<std::string, N>& list) {
    std::string text;
    for (std::size_t i = 0; i < N; ++i) {
        if (list[i].empty()) continue;
        text += list[i];
        text += ' ';
    }
    return text;
}

// Replaces the whole list by the words of a value; missing words leave empty
// entries and words beyond the list's size are dropped.
template <std::size_t N> void readlist(lazyslots<std::string, N>& list, std::string_view value) {
    list.clear();
    const twords words = splitwords(value);
    for (std::size_t i = 0; i < N && i < words.size(); ++i)
        list.set(i, words[i]);
}

// A registration file: its title line, a blank line, then every record of
// the table in slot order.
template <class T, class Writer>
void writerecords(tsafefile& out, const char* title, const rectable<T>& table, Writer write) {
    out.line(title);
    out.line("");
    for (int32_t i = 0; i <= table.highwater && i < table.capacity(); ++i)
        if (table.valid(i)) write(out, table[i]);
}

// A name that can stand for a nick or channel on the wire: a record under an
// empty name or one holding a blank, comma or NUL would put broken lines on
// the link, so such records are not loaded.
inline bool loadablename(std::string_view name) {
    return !name.empty() && name.find_first_of(std::string_view(" ,\0", 3)) == name.npos;
}

} // namespace tessel
