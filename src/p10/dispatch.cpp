// The inbound dispatcher: every line from the hub, and every line the services
// synthesise for their own picture, is cut into words here and handed to the
// handler of its token. Also the handlers of the link and messaging tokens.
#include <cstdio>
#include <exception>
#include <string_view>

#include "bots/services.h"
#include "engine/tform1.h"
#include "p10/ircupper.h"
#include "p10/numerics.h"

namespace tessel {

namespace {

// Longest line the protocol allows, without the line end.
constexpr size_t kMaxLineLength = 510;
// How much of an overlong line is quoted back in the complaint.
constexpr size_t kQuotedLength = 50;

using tokenhandler = void (TForm1::*)(const tlinewords&);

struct tokenentry {
    std::string_view token; // upper case; tokens match in any letter case
    tokenhandler handler;
};

// The message table. Tokens that are not listed (SVSNICK among them, which
// the services deliberately leave alone) are ignored.
constexpr tokenentry tokentable[] = {
    {"ERROR", &TForm1::onerror},   {"Y", &TForm1::onerror},       {"SERVER", &TForm1::onserver},
    {"G", &TForm1::onping},        {"EB", &TForm1::onendofburst}, {"N", &TForm1::onnick},
    {"NICK", &TForm1::onnick},     {"S", &TForm1::onserverintro}, {"P", &TForm1::onprivmsg},
    {"O", &TForm1::onnotice},      {"J", &TForm1::onjoin},        {"C", &TForm1::onjoin},
    {"B", &TForm1::onburst},       {"L", &TForm1::onpart},        {"T", &TForm1::ontopic},
    {"K", &TForm1::onkick},        {"Q", &TForm1::onquit},        {"SQ", &TForm1::onsquit},
    {"D", &TForm1::onkill},        {"M", &TForm1::onmode},        {"OM", &TForm1::onmode},
    {"CM", &TForm1::onclearmodes}, {"V", &TForm1::onversion},     {"MO", &TForm1::onmotd},
    {"WA", &TForm1::onwallops},
};

tokenhandler handlerof(std::string_view token) {
    for (const tokenentry& e : tokentable)
        if (e.token == token) return e.handler;
    return nullptr;
}

// Source, words, upper-cased words and targets of one line.
void splitline(TForm1& form, const std::string& line, tlinewords& w) {
    w.line = line;
    size_t pos = 0;
    if (!line.empty() && line[0] == ':') {
        size_t end = line.find(' ');
        if (end == std::string::npos) end = line.size();
        w.source = line.substr(1, end - 1);
        w.sourceuser = form.GETNICK(w.source);
        pos = end;
    } else if (form.link.linkstate == 2) {
        size_t end = line.find(' ');
        if (end == std::string::npos) end = line.size();
        w.source = normalisenumeric(std::string_view(line).substr(0, end));
        w.sourceuser = form.GETP10ID(w.source);
        pos = end;
    }

    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    while (pos < line.size() && w.wordcount < kLineWords) {
        std::string& word = w.words[w.wordcount++];
        if (line[pos] == ':') {
            word = line.substr(pos + 1);
            break;
        }
        size_t end = line.find(' ', pos);
        if (end == std::string::npos) end = line.size();
        word = line.substr(pos, end - pos);
        pos = end;
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
    }
    for (int i = 0; i < w.wordcount; ++i)
        w.upwords[i] = ircupper(w.words[i]);

    const std::string& list = w.words[1];
    size_t start = 0;
    while (w.targetcount < kLineTargets) {
        size_t comma = list.find(',', start);
        size_t end = comma == std::string::npos ? list.size() : comma;
        w.targets[w.targetcount] = list.substr(start, end - start);
        w.uptargets[w.targetcount] = ircupper(w.targets[w.targetcount]);
        ++w.targetcount;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
}

void reportexception(TForm1& form, const char* message) {
    std::printf("exception in parsecommand: %s\n", message);
    std::fflush(stdout);
    if (form.parseexceptionobserver) form.parseexceptionobserver(message);
}

// Hands a message to a service bot, letting a watching test see the call.
void talkto(TForm1& form, int bot, int32_t user, bool addressed, const std::string& text) {
    if (form.bottalkobserver) form.bottalkobserver(bot, user, addressed, text);
    form.BOTTALK(bot, user, addressed, text);
}

} // namespace

void TForm1::PARSECOMMAND(const std::string& line) {
    try {
        if (line.size() > kMaxLineLength) {
            MESEND("WA :received too long message, length " + std::to_string(line.size()) + " [" +
                   line.substr(0, kQuotedLength) + "]");
            return;
        }
        tlinewords w;
        splitline(*this, line, w);
        if (w.wordcount == 0) return;
        if (tokenhandler handler = handlerof(w.upwords[0])) (this->*handler)(w);
    } catch (const std::exception& e) {
        reportexception(*this, e.what());
    } catch (...) {
        reportexception(*this, "unknown error");
    }
}

void TForm1::onerror(const tlinewords& w) {
    LOGWRITE(kLogLinkDown, "received ERROR: " + w.lastword());
}

void TForm1::onwallops(const tlinewords& w) {
    LOGWRITE(kLogWallops, "Wallops: " + w.lastword());
}

void TForm1::onping(const tlinewords& w) {
    MESEND("Z " + cfg.servername + " :" + w.lastword());
}

// Only the hub's end of burst is acknowledged; numerics compare case-sensitively.
void TForm1::onendofburst(const tlinewords& w) {
    const tserver& hub = net.servers[1];
    if (!hub.inuse || hub.numeric < 0) return;
    if (w.source == encodenumeric(static_cast<uint32_t>(hub.numeric), 2)) MESEND("EA");
}

void TForm1::onprivmsg(const tlinewords& w) {
    const bool addressed = w.upwords[1].find('@') != std::string::npos;
    const std::string target = normalisenumeric(w.words[1]);
    const std::string server = "@" + ircupper(cfg.servername);
    for (const tserviceidentity& s : serviceidentities()) {
        if (target == cfg.servernumeric + s.suffix ||
            w.upwords[1] == ircupper(cfg.*s.nick) + server) {
            // A bot needs someone to answer; a message from no known user is dropped.
            if (w.sourceuser < 0) return;
            talkto(*this, s.bot, w.sourceuser, addressed, w.lastword());
            return;
        }
    }
}

// Server notices feed the services (the scanner reports arrive this way).
void TForm1::onnotice(const tlinewords& w) {
    if (link.linkstate != 2 || w.sourceuser != -1) return;
    talkto(*this, kBotScanner, 0, false, w.lastword());
}

void TForm1::onquit(const tlinewords& w) {
    if (w.sourceuser < 0) return;
    const Tuser& u = user(w.sourceuser);
    LOGWRITE(kLogQuit, "Client quit: " + u.nick + " (" + u.ident + "@" + u.host + ")");
    REMOVEUSER(w.sourceuser);
}

void TForm1::onkill(const tlinewords& w) {
    const int32_t victim = GETP10ID(w.words[1]);
    if (victim < 0) return;
    LOGWRITE(kLogKill, "Kill: " + w.words[1] + " (" + w.lastword() + ")");
    REMOVEUSER(victim);
}

} // namespace tessel
