#pragma once

#include <array>
#include <string_view>

namespace tessel {

// A P10 command and the short token that stands for it on a server link.
struct p10token {
    std::string_view command;
    std::string_view token;
};

// The protocol's token vocabulary, in its customary order. The dispatcher and
// the senders write tokens directly; this table is the reference.
inline constexpr std::array<p10token, 60> p10tokens = {{
    {"PRIVMSG", "P"},
    {"NICK", "N"},
    {"NOTICE", "O"},
    {"JOIN", "J"},
    {"MODE", "M"},
    {"QUIT", "Q"},
    {"PART", "L"},
    {"TOPIC", "T"},
    {"INVITE", "I"},
    {"KICK", "K"},
    {"WALLOPS", "WA"},
    {"PING", "G"},
    {"PONG", "Z"},
    {"ERROR", "Y"},
    {"KILL", "D"},
    {"USER", "USER"},
    {"AWAY", "A"},
    {"ISON", "ISON"},
    {"SERVER", "S"},
    {"SQUIT", "SQ"},
    {"WHOIS", "W"},
    {"WHO", "H"},
    {"LIST", "LIST"},
    {"NAMES", "E"},
    {"USERHOST", "USERHOST"},
    {"PASS", "PA"},
    {"SILENCE", "U"},
    {"LUSERS", "LU"},
    {"TIME", "TI"},
    {"OPER", "OPER"},
    {"CONNECT", "CO"},
    {"VERSION", "V"},
    {"STATS", "R"},
    {"LINKS", "LI"},
    {"ADMIN", "AD"},
    {"NICKSERV", "NS"},
    {"CHANSERV", "CS"},
    {"MEMOSERV", "MS"},
    {"NS", "NS"},
    {"CS", "CS"},
    {"MS", "MS"},
    {"HELP", "HELP"},
    {"INFO", "F"},
    {"MOTD", "MO"},
    {"SETTIME", "SE"},
    {"REHASH", "REHASH"},
    {"MAP", "MAP"},
    {"RESTART", "RESTART"},
    {"DIE", "DIE"},
    {"GLINE", "GL"},
    {"SETHOST", "SETHOST"},
    {"SVSNICK", "SVSNICK"},
    {"WHOWAS", "X"},
    {"TRACE", "TR"},
    {"OPTIONS", "OPTIONS"},
    {"USERIP", "USERIP"},
    {"BURST", "B"},
    {"END_OF_BURST", "EB"},
    {"EOB_ACK", "EA"},
    {"CREATE", "C"},
}};

// Token of a command name (exact, upper case), or "" when it has none.
std::string_view p10tokenof(std::string_view command);
// Command name of a token; where several names share a token, the first in
// the table. "" when the token is unknown.
std::string_view p10commandof(std::string_view token);

} // namespace tessel
