#include "registry/passwords.h"

#include <sodium.h>

#include <algorithm>
#include <charconv>
#include <string_view>

#include "registry/encodepass.h"

namespace tessel {

namespace {

constexpr std::string_view kArgonPrefix = "$argon2id$";
// Beyond these a stored text is not checked at all: one check would hold the
// loop for seconds (a damaged or hostile database line).
constexpr uint64_t kArgonMemMaxKiB = 256 * 1024;
constexpr uint64_t kArgonOpsMax = 32;

bool sodiumready() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// The "m=" and "t=" numbers of "$argon2id$v=19$m=4096,t=2,p=1$salt$hash";
// false when the text does not have them.
bool argonlimits(const std::string& stored, uint64_t& memkib, uint64_t& ops) {
    std::string_view s(stored);
    s.remove_prefix(kArgonPrefix.size());
    const size_t params = s.find('$');
    if (params == std::string_view::npos) return false;
    s.remove_prefix(params + 1);
    s = s.substr(0, s.find('$'));
    bool havemem = false;
    bool haveops = false;
    while (!s.empty()) {
        const std::string_view item = s.substr(0, s.find(','));
        s.remove_prefix(std::min(s.size(), item.size() + 1));
        if (item.size() < 3 || item[1] != '=') continue;
        uint64_t value = 0;
        auto [ptr, ec] = std::from_chars(item.data() + 2, item.data() + item.size(), value);
        if (ec != std::errc() || ptr != item.data() + item.size()) return false;
        if (item[0] == 'm') {
            memkib = value;
            havemem = true;
        } else if (item[0] == 't') {
            ops = value;
            haveops = true;
        }
    }
    return havemem && haveops;
}

uint64_t clampedops(const tpasswordpolicy& p) {
    return std::clamp<uint64_t>(p.opslimit, crypto_pwhash_argon2id_OPSLIMIT_MIN, kArgonOpsMax);
}

size_t clampedmembytes(const tpasswordpolicy& p) {
    const uint64_t kib =
        std::clamp<uint64_t>(p.memkib, crypto_pwhash_argon2id_MEMLIMIT_MIN / 1024, kArgonMemMaxKiB);
    return static_cast<size_t>(kib * 1024);
}

} // namespace

bool isargon2id(const std::string& stored) {
    return stored.compare(0, kArgonPrefix.size(), kArgonPrefix) == 0;
}

std::string storepassword(const std::string& plain, const tpasswordpolicy& policy) {
    if (!policy.cryptpass || plain.empty()) return plain;
    if (policy.form == tpassform::argon2id && sodiumready()) {
        char out[crypto_pwhash_STRBYTES];
        if (crypto_pwhash_str_alg(out, plain.data(), plain.size(), clampedops(policy),
                                  clampedmembytes(policy), crypto_pwhash_ALG_ARGON2ID13) == 0)
            return out;
    }
    return encodepass(plain, true);
}

bool verifypassword(const std::string& stored, const std::string& plain, bool cryptpass) {
    if (!isargon2id(stored)) return encodepass(plain, cryptpass) == stored;
    uint64_t memkib = 0;
    uint64_t ops = 0;
    if (stored.size() >= crypto_pwhash_STRBYTES || !argonlimits(stored, memkib, ops) ||
        memkib > kArgonMemMaxKiB || ops > kArgonOpsMax || !sodiumready())
        return false;
    return crypto_pwhash_str_verify(stored.c_str(), plain.data(), plain.size()) == 0;
}

bool needsrestore(const std::string& stored, const tpasswordpolicy& policy) {
    if (!policy.cryptpass || stored.empty()) return false;
    if (policy.form == tpassform::digest) return isargon2id(stored);
    if (!isargon2id(stored)) return true;
    return sodiumready() && crypto_pwhash_str_needs_rehash(stored.c_str(), clampedops(policy),
                                                           clampedmembytes(policy)) != 0;
}

uint32_t checkcost(const std::string& stored, const tpasswordpolicy& policy) {
    if (!isargon2id(stored)) return 0;
    uint64_t memkib = 0;
    uint64_t ops = 0;
    if (!argonlimits(stored, memkib, ops) || memkib > kArgonMemMaxKiB || ops > kArgonOpsMax)
        return 0; // refused without hashing
    const uint64_t own = clampedops(policy) * (clampedmembytes(policy) / 1024);
    const uint64_t work = std::max<uint64_t>(1, memkib * ops);
    return static_cast<uint32_t>(std::max<uint64_t>(1, (work + own - 1) / own));
}

} // namespace tessel
