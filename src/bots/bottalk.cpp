// The entry point of the four service clients: flood protection, reply
// addressing, word splitting and dispatch to the commands of each service.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "bots/botmessage.h"
#include "bots/scanner.h"
#include "bots/services.h"
#include "engine/tform1.h"

namespace tessel {

namespace {

// A sender may be this many seconds of credit ahead of the clock before the
// services stop listening; every message costs two.
constexpr int32_t kFloodWindow = 14;
constexpr int32_t kFloodCost = 2;

// Advances the sender's flood clock; true when the message must be dropped.
bool floodcheck(TForm1& form, const tbotmessage& msg) {
    Tuser& u = form.user(msg.user);
    const int32_t now = form.clock.now;
    if (u.floodtime < now) {
        u.floodtime = now;
        u.floodignored = false;
    }
    // A sender who never stops keeps pushing the clock ahead; saturate rather
    // than wrap so the ignore cannot suddenly lift.
    u.floodtime = static_cast<int32_t>(
        std::min<int64_t>(int64_t{u.floodtime} + kFloodCost, std::numeric_limits<int32_t>::max()));
    if (int64_t{u.floodtime} - now > kFloodWindow && !u.floodignored && !u.umode_o) {
        msg.reply(form, "You are temporarily ignored for flooding.");
        form.MESEND("WA :Temporary ignore for flood triggered on " + u.nick + "[" + u.ident + "@" +
                    u.host + "]");
        u.floodignored = true;
    }
    return u.floodignored;
}

} // namespace

void TForm1::BOTTALK(int bot, int32_t sender, bool addressed, const std::string& text) {
    tbotmessage msg;
    msg.bot = bot;
    msg.text = text;

    if (bot == kBotScanner) {
        splitbotwords(msg);
        scannerreport(*this, msg);
        return;
    }
    const tserviceidentity* service = serviceidentity(bot);
    if (!service) return;
    // Messages whose source is not a known user have nobody to answer to.
    if (!net.users.valid(sender)) return;

    Tuser& u = user(sender);
    msg.user = sender;
    msg.addressed = addressed;
    msg.source = cfg.servernumeric + service->suffix + " ";
    msg.prefix = msg.source + cfg.msgcommand + " " + u.numeric + " :";

    if (floodcheck(*this, msg)) return;

    splitbotwords(msg);
    msg.ns = GETNS(u.nick);
    if (!reg.nicks.valid(msg.ns)) msg.ns = -1;
    if (u.identified && msg.ns >= 0 && nickreg(msg.ns).privmsg)
        msg.prefix = msg.source + "PRIVMSG " + u.numeric + " :";

    if (const tbotcommand* cmd = findbotcommand(service->commands(), msg.upwords[0])) {
        if (passesgate(*this, msg, *cmd)) cmd->run(*this, msg);
        return;
    }
    if (service->helphint)
        msg.reply(*this, "Unknown command: " + msg.words[0] + ". Type /msg " + cfg.*service->nick +
                             " HELP for a list of commands.");
    else
        msg.reply(*this, "Unknown command: " + msg.words[0] + ".");
}

} // namespace tessel
