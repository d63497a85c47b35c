#pragma once

#include <cstdint>
#include <string>

#include "bots/botmessage.h"
#include "registry/records.h"

namespace tessel {

// ChanServ's handlers, grouped by the file that holds them.
namespace chanserv {

// chanserv.cpp
void help(TForm1& form, tbotmessage& msg);

// chanserv_register.cpp: taking a channel and giving it up.
void registerchannel(TForm1& form, tbotmessage& msg);
void drop(TForm1& form, tbotmessage& msg);

// chanserv_settings.cpp
void set(TForm1& form, tbotmessage& msg);

// chanserv_info.cpp: looking up and listing registered channels.
void info(TForm1& form, tbotmessage& msg);
void list(TForm1& form, tbotmessage& msg);

// chanserv_lists.cpp: SOP, AOP, VOP and AKICK.
void accesslist(TForm1& form, tbotmessage& msg);

// chanserv_commands.cpp: acting on the live channel.
void op(TForm1& form, tbotmessage& msg);
void deop(TForm1& form, tbotmessage& msg);
void opme(TForm1& form, tbotmessage& msg);
void invite(TForm1& form, tbotmessage& msg);
void kick(TForm1& form, tbotmessage& msg);
void clear(TForm1& form, tbotmessage& msg);

// The registration named by word 1; otherwise sends "Channel <word 1> is not
// registered." and gives -1.
int32_t registeredchannel(TForm1& form, const tbotmessage& msg);

// The live channel of a registration, -1 while it is not on the network.
int32_t livechannel(const TForm1& form, int32_t cs);

// True when the user holds a membership of the channel.
bool ismember(const TForm1& form, int32_t chan, int32_t user);

// Words `first` and on as typed, joined by single blanks, up to the first
// missing word (a welcome text, a kick reason).
std::string wordsfrom(const tbotmessage& msg, int first);

// ChanServ's notice to a channel, with the configured message token.
void channelnotice(TForm1& form, const std::string& channel, const std::string& text);

// Administrative use of ChanServ by a Services operator.
void logadmin(TForm1& form, const std::string& text);

// Channel passwords: the form a typed password is kept in, and whether a
// typed password is the registration's.
std::string storedpassword(TForm1& form, const std::string& typed);
// The typed password against the channel's: kAccessGranted,
// kAccessWrongPassword, or kAccessRefused when the attempt is throttled
// (`refusal` then holds the reply).
int32_t checkchanpassword(TForm1& form, const tbotmessage& msg, int32_t cs,
                          const std::string& typed, std::string& refusal);

} // namespace chanserv

} // namespace tessel
