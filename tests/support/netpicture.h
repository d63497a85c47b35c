#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/tform1.h"

namespace tesseltest {

// Builds the network picture and the registrations straight into the tables,
// the way the dispatcher and the database loaders leave them, for tests of the
// operations that work on them.

// A server in `slot` with the given numeric value and capacity mask.
void placeserver(tessel::TForm1& form, int32_t slot, const std::string& name, int32_t numeric,
                 int32_t mask, int32_t uplink);

struct userfields {
    std::string nick;
    std::string numeric; // 5 characters; its server must be placed
    std::string ident = "user";
    std::string host = "host.example";
    std::string ip = "10.0.0.1";
    std::string realname = "Real Name";
    int32_t nickts = 1000;
    bool oper = false;
};
// A user attached to its server's client slot; returns its index.
int32_t placeuser(tessel::TForm1& form, const userfields& fields);

// A channel, or the existing one of that name; returns its index.
int32_t placechannel(tessel::TForm1& form, const std::string& name);
// Records a join: membership on both sides and the member counter.
void placemember(tessel::TForm1& form, int32_t chan, int32_t user, uint8_t status = 0);

// Status bits of a user in a channel (kStatusOp, kStatusVoice), -1 when the
// picture does not hold it as a member on both sides.
int memberstatusof(const tessel::TForm1& form, int32_t chan, int32_t user);

// A registered nick (password stored as typed) and a registered channel,
// linked to the live channel of that name when there is one.
int32_t placenickreg(tessel::TForm1& form, const std::string& nick,
                     const std::string& password = "secret");
int32_t placechanreg(tessel::TForm1& form, const std::string& name, const std::string& owner);

// Opens the engine's log on an anonymous file for the given categories, so a
// test can read back what was logged.
class logcapture {
public:
    logcapture(tessel::TForm1& form, int32_t mask);
    ~logcapture();
    logcapture(const logcapture&) = delete;
    logcapture& operator=(const logcapture&) = delete;
    // The messages written so far, without date lines and time stamps.
    std::vector<std::string> messages() const;

private:
    tessel::TForm1& form_;
    FILE* file_;
};

} // namespace tesseltest
