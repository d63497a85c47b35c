#include "net/tbinip.h"

#include "net/dnsresolver.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace tessel {

namespace {

constexpr int32_t familyipv4 = 2;
constexpr int32_t familyipv6 = 10;

// One dotted-decimal field: 1 to 3 digits, value 0..255, no leading zero
// except in an all-zero field ("0", "00").
bool parseoctet(std::string_view field, uint8_t& out) {
    if (field.empty() || field.size() > 3) return false;
    int value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > 255) return false;
    if (field.size() > 1 && field[0] == '0' && value != 0) return false;
    out = static_cast<uint8_t>(value);
    return true;
}

bool parseipv4(std::string_view text, uint8_t out[4]) {
    // Cut at the first three dots; a fourth dot stays in the last field and
    // makes it fail as a number.
    for (int i = 0; i < 4; ++i) {
        std::string_view field = text;
        if (i < 3) {
            size_t dot = text.find('.');
            if (dot == std::string_view::npos) return false;
            field = text.substr(0, dot);
            text.remove_prefix(dot + 1);
        }
        if (!parseoctet(field, out[i])) return false;
    }
    return true;
}

// A complete IPv4 literal: an all-zero result only counts when it was
// written as exactly "0.0.0.0".
bool parseipv4literal(std::string_view text, uint8_t out[4]) {
    if (!parseipv4(text, out)) return false;
    if ((out[0] | out[1] | out[2] | out[3]) == 0 && text != "0.0.0.0") return false;
    return true;
}

bool parsehexgroup(std::string_view field, uint16_t& out) {
    if (field.size() > 4) return false;
    unsigned value = 0;
    for (char c : field) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    out = static_cast<uint16_t>(value); // an empty field counts as 0
    return true;
}

bool parseipv6(std::string_view text, uint8_t out[16]) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        size_t colon = text.find(':', start);
        if (colon == std::string_view::npos) {
            fields.push_back(text.substr(start));
            break;
        }
        fields.push_back(text.substr(start, colon - start));
        start = colon + 1;
        if (fields.size() > 7) return false; // more than 7 colons
    }
    const size_t n = fields.size();
    if (n < 3) return false; // fewer than 2 colons

    // At most one empty inner field: the "::" gap.
    int gap = -1;
    for (size_t i = 1; i + 1 < n; ++i) {
        if (!fields[i].empty()) continue;
        if (gap >= 0) return false;
        gap = static_cast<int>(i);
    }
    // A lone colon at either end is not an address: an empty first or last
    // field is only allowed as part of the "::" gap.
    if (fields[0].empty() && gap != 1) return false;
    if (fields[n - 1].empty() && gap != static_cast<int>(n) - 2) return false;

    uint8_t tail[4];
    const bool hastail = parseipv4literal(fields[n - 1], tail);
    const size_t groups = hastail ? 6 : 8;
    const size_t hexfields = hastail ? n - 1 : n; // fields holding hex groups

    uint16_t value[8] = {};
    if (gap < 0) {
        if (hexfields != groups) return false;
        for (size_t i = 0; i < hexfields; ++i)
            if (!parsehexgroup(fields[i], value[i])) return false;
    } else {
        const size_t before = static_cast<size_t>(gap);
        const size_t after = hexfields - before - 1;
        if (before + after > groups) return false;
        for (size_t i = 0; i < before; ++i)
            if (!parsehexgroup(fields[i], value[i])) return false;
        for (size_t i = 0; i < after; ++i)
            if (!parsehexgroup(fields[before + 1 + i], value[groups - after + i])) return false;
    }

    for (size_t i = 0; i < groups; ++i) {
        out[2 * i] = static_cast<uint8_t>(value[i] >> 8);
        out[2 * i + 1] = static_cast<uint8_t>(value[i] & 0xff);
    }
    if (hastail) std::memcpy(out + 12, tail, 4);
    return true;
}

std::string formatipv4(const uint8_t* b) {
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

std::string formatipv6(const uint8_t* b) {
    uint16_t group[8];
    for (int i = 0; i < 8; ++i)
        group[i] = static_cast<uint16_t>(b[2 * i] << 8 | b[2 * i + 1]);

    // Mapped (::ffff:a.b.c.d) and compatible (::a.b.c.d) addresses keep the
    // IPv4 part dotted; ::, ::1 and other small values stay hexadecimal.
    bool zero80 = true;
    for (int i = 0; i < 5; ++i)
        zero80 = zero80 && group[i] == 0;
    const bool mapped = zero80 && group[5] == 0xffff;
    const bool compatible = zero80 && group[5] == 0 && group[6] != 0;
    const int hexgroups = (mapped || compatible) ? 6 : 8;

    // The longest run of at least two zero groups becomes "::" (the first
    // one when two runs are equally long).
    int beststart = -1, bestlen = 1;
    for (int i = 0; i < hexgroups;) {
        if (group[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < hexgroups && group[j] == 0)
            ++j;
        if (j - i > bestlen) {
            beststart = i;
            bestlen = j - i;
        }
        i = j;
    }

    static const char hexdigits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < hexgroups; ++i) {
        if (i == beststart) {
            text += "::";
            i += bestlen - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':') text += ':';
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            int digit = (group[i] >> shift) & 0xf;
            if (digit == 0 && !started && shift > 0) continue;
            started = true;
            text += hexdigits[digit];
        }
    }
    if (hexgroups == 6) {
        if (!text.empty() && text.back() != ':') text += ':';
        text += formatipv4(b + 12);
    }
    return text;
}

} // namespace

tbinip parseip(const std::string& text) {
    tbinip ip;
    if (text.find(':') != std::string::npos) {
        if (parseipv6(text, ip.addr))
            ip.family = familyipv6;
        else
            ip = tbinip{};
        return ip;
    }
    if (!parseipv4literal(text, ip.addr)) return tbinip{};
    ip.family = familyipv4;
    return ip;
}

tbinip lookupip(const std::string& text, int seconds) {
    tbinip ip = parseip(text);
    if (ip.family != 0) return ip;
    tdnsstate state;
    startforward(text, state, 0);
    resolvewait(state, seconds);
    return state.resultip;
}

std::string formatip(const tbinip& ip) {
    if (ip.family == familyipv4) return formatipv4(ip.addr);
    if (ip.family == familyipv6) return formatipv6(ip.addr);
    return "";
}

bool sameip(const tbinip& a, const tbinip& b) {
    if (a.family != b.family) return false;
    size_t length = a.family == familyipv4 ? 4 : a.family == familyipv6 ? 16 : 0;
    return std::memcmp(a.addr, b.addr, length) == 0;
}

void unmapip(tbinip& ip) {
    if (ip.family != familyipv6) return;
    for (int i = 0; i < 10; ++i)
        if (ip.addr[i] != 0) return;
    if (ip.addr[10] != 0xff || ip.addr[11] != 0xff) return;
    uint8_t v4[4];
    std::memcpy(v4, ip.addr + 12, 4);
    ip = tbinip{};
    ip.family = familyipv4;
    std::memcpy(ip.addr, v4, 4);
}

} // namespace tessel
