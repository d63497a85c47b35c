#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tessel {

class TForm1;

// Service numbers as the dispatcher hands them over.
inline constexpr int kBotNickServ = 0;
inline constexpr int kBotChanServ = 1;
inline constexpr int kBotMemoServ = 2;
inline constexpr int kBotOperServ = 3;
inline constexpr int kBotScanner = 100; // scanner reports: no sender, no replies

inline constexpr int kBotWords = 100;     // word slots of one message
inline constexpr int kBotSplitWords = 99; // words actually separated; the last slot stays empty

// Everything one message to a service carries while it is handled. It lives
// for one call of BOTTALK; the engine keeps none of it.
struct tbotmessage {
    int bot = 0;
    int32_t user = -1;      // the sender
    bool addressed = false; // sent to nick@server rather than to the bare nick or numeric
    std::string text;       // the message as received
    std::array<std::string, kBotWords> words;   // as typed, missing ones empty
    std::array<std::string, kBotWords> upwords; // IRC-upper-cased copies
    std::string source;                         // the service's numeric and a blank
    std::string prefix;                         // source, reply token, sender's numeric, " :"
    int32_t ns = -1; // registration of the sender's current nick, -1 none

    // One reply line to the sender.
    void reply(TForm1& form, std::string_view line) const;
};

// Fills `words` and `upwords` from `text`: runs of blanks separate words, a
// ":" right after a blank is dropped (":text" parameters lose the colon), and
// words after the 99th are dropped.
void splitbotwords(tbotmessage& msg);

// A count typed by a user: 1 to 3 decimal digits, otherwise -1.
int32_t smallnumber(std::string_view word);

// One command of a service, selected by the upper-cased first word.
using tbothandler = void (*)(TForm1& form, tbotmessage& msg);
struct tbotcommand {
    std::string_view name;
    tbothandler run;
};

// The handler for `name` in a command table, or nullptr.
const tbotcommand* findbotcommand(std::span<const tbotcommand> table, std::string_view name);

} // namespace tessel
