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

// Who may run a command. The dispatcher checks the gate before the handler
// runs and answers a refused sender with the gate's text; a command whose
// checks come in another order (parameters first, a setting first) has the
// gate `anyone` and checks for itself.
enum class tgate : uint8_t {
    anyone,
    identified, // identified to the registration of the current nick
    ircop,      // user mode o
    servicesop, // Services operator
};

using tbothandler = void (*)(TForm1& form, tbotmessage& msg);

// One row of a service's command table, selected by the upper-cased first
// word. `help` holds the lines HELP <name> sends (empty: the general help
// answers for it). A row without a handler is a help topic only.
struct tbotcommand {
    std::string_view name;
    tbothandler run = nullptr;
    tgate gate = tgate::anyone;
    std::span<const std::string_view> help = {};
    // Replaces the gate's usual refusal where the command words it its own way.
    std::string_view refusal = {};
};

// The row for `name` that has a handler, or nullptr.
const tbotcommand* findbotcommand(std::span<const tbotcommand> table, std::string_view name);

// The row documenting `topic`, handler or not, or nullptr.
const tbotcommand* findhelptopic(std::span<const tbotcommand> table, std::string_view topic);

// True when the sender passes the row's gate; otherwise the refusal is sent.
bool passesgate(TForm1& form, const tbotmessage& msg, const tbotcommand& row);

// The same test for a handler that checks its gate itself, after checks of
// its own that come first; `name` is the command named in the refusal.
bool passesgate(TForm1& form, const tbotmessage& msg, tgate gate, std::string_view name);

// Sends the lines of a help text, one reply each.
void sendlines(TForm1& form, const tbotmessage& msg, std::span<const std::string_view> lines);

// Sends the help lines of the row documenting `topic`; false, sending
// nothing, when no row documents it (the caller then gives its general help).
bool sendhelptopic(TForm1& form, const tbotmessage& msg, std::span<const tbotcommand> table,
                   std::string_view topic);

} // namespace tessel
