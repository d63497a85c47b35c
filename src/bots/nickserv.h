#pragma once

#include <span>

#include "bots/botmessage.h"

namespace tessel {

// The handlers behind the table, grouped by the file that holds them.
namespace nickserv {

// nickserv_help.cpp
void help(TForm1& form, tbotmessage& msg);

// nickserv_ownership.cpp: claiming, proving and giving up a nick.
void registernick(TForm1& form, tbotmessage& msg);
void identify(TForm1& form, tbotmessage& msg);
void ghost(TForm1& form, tbotmessage& msg);
void drop(TForm1& form, tbotmessage& msg);

// nickserv_settings.cpp: the owner's record (ACCESS and IGNORE run only for
// the identified owner; the command table checks that).
void access(TForm1& form, tbotmessage& msg);
void set(TForm1& form, tbotmessage& msg);
void ignore(TForm1& form, tbotmessage& msg);

// nickserv_info.cpp: looking up and listing registrations.
void info(TForm1& form, tbotmessage& msg);
void list(TForm1& form, tbotmessage& msg);

// NICKACCESS for the sender against registration `ns`, answering every
// refusal except the missing registration, which each command words itself:
// a mask outside the access list, a wrong password, the throttle. Returns the
// NICKACCESS result.
int32_t checkowner(TForm1& form, const tbotmessage& msg, int32_t ns, const std::string& password);

// A last-seen mask as the asking user may see it: with HIDDENHOST on, the
// host part is hidden from everyone but IRC operators.
std::string visiblemask(const TForm1& form, int32_t asking, const std::string& mask);

// The user currently identified to a registration, -1 when none is online.
int32_t onlineowner(const TForm1& form, int32_t ns);

} // namespace nickserv

} // namespace tessel
