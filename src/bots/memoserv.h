#pragma once

#include "bots/botmessage.h"

namespace tessel {

// MemoServ's handlers, grouped by the file that holds them.
namespace memoserv {

// memoserv.cpp
void help(TForm1& form, tbotmessage& msg);

// memoserv_mailbox.cpp: the mailbox of the sender's registration (LIST,
// READ and CLEAR run only for the identified owner, the command table checks
// that; SEND and DEL check their parameters first and then identification).
void send(TForm1& form, tbotmessage& msg);
void list(TForm1& form, tbotmessage& msg);
void read(TForm1& form, tbotmessage& msg);
void del(TForm1& form, tbotmessage& msg);
void clear(TForm1& form, tbotmessage& msg);

} // namespace memoserv

} // namespace tessel
