#pragma once

#include <cstdint>
#include <string>

namespace tessel {

// How a new password is stored when passwords are encoded at all.
enum class tpassform {
    digest,   // the 13-character digest every database has always held
    argon2id, // a salted, memory-hard hash text beginning "$argon2id$"
};

// Cost of one argon2id hash: passes over memory, and memory in KiB. One check
// with the defaults takes a few milliseconds of the loop.
inline constexpr uint32_t kArgonOpsDefault = 2;
inline constexpr uint32_t kArgonMemDefaultKiB = 4096;

struct tpasswordpolicy {
    bool cryptpass = true; // off: passwords are stored as typed
    tpassform form = tpassform::digest;
    uint32_t opslimit = kArgonOpsDefault;
    uint32_t memkib = kArgonMemDefaultKiB;
};

// The stored form of a new password. The empty password stays empty in every
// form; a password whose argon2id hash could not be made (out of memory) is
// stored as the digest.
std::string storepassword(const std::string& plain, const tpasswordpolicy& policy);

// Whether `plain` is the password held in `stored`, recognised by its form:
// an argon2id text is checked as such whatever the policy; any other text is
// the digest (or, with `cryptpass` off, the password as typed).
bool verifypassword(const std::string& stored, const std::string& plain, bool cryptpass);

// Whether a stored form whose password has just been given correctly should
// be stored again under the policy: another form, or argon2id with other
// limits. Clear text is never written over a hash, and nothing is rewritten
// while passwords are kept as typed.
bool needsrestore(const std::string& stored, const tpasswordpolicy& policy);

// What checking `stored` costs, in checks of the policy's own argon2id form
// (rounded up); 0 for the digest and clear text, which cost next to nothing.
uint32_t checkcost(const std::string& stored, const tpasswordpolicy& policy);

bool isargon2id(const std::string& stored);

} // namespace tessel
