#include "net/dnspacket.h"

#include <cstdio>

namespace tessel {

namespace {

constexpr int maxlabellength = 63;
constexpr int maxpointerdepth = 10;

void put16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value & 0xff);
}

// Host names, service labels ("_sip") and classless reverse delegations
// ("0/25.2.0.192.in-addr.arpa") are all a resolver has to hand back.
bool allowedinname(uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '/';
}

void reportdecodeerror(const char* text) {
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int buildquery(tdnspacket& packet, const std::string& name, uint16_t type, uint16_t id) {
    packet.fill(0);
    std::string dotted = name;
    if (dotted.empty() || dotted.back() != '.') dotted += '.';
    // A longer name is refused rather than cut, so that a different name is
    // never asked for.
    if (dotted.size() - 1 > dnsmaxquerynamelength) return 0;

    put16(&packet[0], id);
    put16(&packet[2], 0x0100); // recursion desired
    put16(&packet[4], 1);      // one question

    int pos = dnsheadersize;
    size_t start = 0;
    while (start < dotted.size()) {
        size_t dot = dotted.find('.', start);
        size_t length = dot - start;
        if (length < 1 || length > maxlabellength) return 0;
        packet[pos++] = static_cast<uint8_t>(length);
        for (size_t i = start; i < dot; ++i)
            packet[pos++] = static_cast<uint8_t>(dotted[i]);
        start = dot + 1;
    }
    packet[pos++] = 0;
    put16(&packet[pos], type);
    put16(&packet[pos + 2], 1); // class IN
    return pos + 4;
}

bool decodename(const uint8_t* message, int length, int offset, std::string& name, int& used) {
    name.clear();
    used = -1;
    int pos = offset;
    int depth = 0;
    for (;;) {
        if (pos < 0 || pos >= length) {
            reportdecodeerror("error: got out of range1");
            return false;
        }
        const int labellength = message[pos];
        if (labellength >= 0xc0) {
            if (pos + 1 >= length) {
                reportdecodeerror("error: got out of range2");
                return false;
            }
            const int target = (labellength & 0x3f) << 8 | message[pos + 1];
            if (target >= length) {
                reportdecodeerror("error: got out of range2");
                return false;
            }
            if (used < 0) used = pos + 2 - offset;
            if (++depth > maxpointerdepth) {
                reportdecodeerror("error: max recursion");
                return false;
            }
            pos = target;
            continue;
        }
        if (labellength == 0) {
            if (used < 0) used = pos + 1 - offset;
            return true;
        }
        // 0x40..0xbf are reserved label types; no host name contains one.
        if (labellength > maxlabellength) {
            reportdecodeerror("error: read invalid char");
            return false;
        }
        if (pos + 1 + labellength > length) {
            reportdecodeerror("error: got out of range3");
            return false;
        }
        if (!name.empty()) name += '.';
        for (int i = 1; i <= labellength; ++i) {
            const uint8_t c = message[pos + i];
            if (!allowedinname(c)) {
                reportdecodeerror("error: read invalid char");
                return false;
            }
            name += static_cast<char>(c);
        }
        pos += 1 + labellength;
    }
}

int skipname(const uint8_t* message, int length, int offset) {
    int pos = offset;
    for (;;) {
        if (pos < 0 || pos >= length) return -1;
        const int labellength = message[pos];
        if (labellength >= 0xc0) return pos + 2 <= length ? pos + 2 - offset : -1;
        if (labellength == 0) return pos + 1 - offset;
        if (labellength > maxlabellength) return -1;
        pos += 1 + labellength;
    }
}

} // namespace tessel
