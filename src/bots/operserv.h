#pragma once

#include <string>

#include "bots/botmessage.h"

namespace tessel {

// OperServ's handlers, grouped by the file that holds them.
namespace operserv {

// operserv_info.cpp: commands that only report.
void help(TForm1& form, tbotmessage& msg);
void seen(TForm1& form, tbotmessage& msg);
void glist(TForm1& form, tbotmessage& msg);
void servers(TForm1& form, tbotmessage& msg);
void channels(TForm1& form, tbotmessage& msg);
void users(TForm1& form, tbotmessage& msg);
void chaninfo(TForm1& form, tbotmessage& msg);
void time(TForm1& form, tbotmessage& msg);
void whois(TForm1& form, tbotmessage& msg);

// operserv_network.cpp: changing the network.
void kill(TForm1& form, tbotmessage& msg);
void invite(TForm1& form, tbotmessage& msg);
void news(TForm1& form, tbotmessage& msg);
void settime(TForm1& form, tbotmessage& msg);
void gline(TForm1& form, tbotmessage& msg);
void killchannel(TForm1& form, tbotmessage& msg);
void raw(TForm1& form, tbotmessage& msg);
void mode(TForm1& form, tbotmessage& msg);
void options(TForm1& form, tbotmessage& msg);
void jupe(TForm1& form, tbotmessage& msg);

// operserv_registry.cpp: registrations on an operator's word.
void setnickpass(TForm1& form, tbotmessage& msg);
void nickdrop(TForm1& form, tbotmessage& msg);

// operserv_control.cpp: the services themselves.
void disconnect(TForm1& form, tbotmessage& msg);
void die(TForm1& form, tbotmessage& msg);
void init(TForm1& form, tbotmessage& msg);
void reset(TForm1& form, tbotmessage& msg);
void resetgline(TForm1& form, tbotmessage& msg);
void savedb(TForm1& form, tbotmessage& msg);

// Words `from` onwards separated by single blanks ("a b c").
std::string joinedwords(const tbotmessage& msg, int from);
// Words `from` onwards, each followed by one blank ("a b c ").
std::string wordlist(const tbotmessage& msg, int from);

// Announces the caller's action in the operator channel.
void announce(TForm1& form, const tbotmessage& msg, const std::string& text);

} // namespace operserv

} // namespace tessel
