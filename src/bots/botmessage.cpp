// Per-message helpers of the service bots: word splitting, counts, replies.
#include "bots/botmessage.h"

#include "engine/tform1.h"
#include "p10/decimalword.h"
#include "p10/ircupper.h"

namespace tessel {

void tbotmessage::reply(TForm1& form, std::string_view line) const {
    std::string out = prefix;
    out += line;
    form.SEND(out);
}

void splitbotwords(tbotmessage& msg) {
    for (auto& w : msg.words)
        w.clear();
    for (auto& w : msg.upwords)
        w.clear();
    const std::string& text = msg.text;
    int count = 0;
    size_t i = 0;
    while (i < text.size() && count < kBotSplitWords) {
        if (text[i] == ' ') {
            while (i < text.size() && text[i] == ' ')
                ++i;
            // A parameter written as :text loses its colon.
            if (i < text.size() && text[i] == ':') ++i;
            continue;
        }
        size_t end = text.find(' ', i);
        if (end == std::string::npos) end = text.size();
        msg.words[count] = text.substr(i, end - i);
        msg.upwords[count] = ircupper(msg.words[count]);
        ++count;
        i = end;
    }
}

int32_t smallnumber(std::string_view word) {
    return digitsvalue(word, 3);
}

const tbotcommand* findbotcommand(std::span<const tbotcommand> table, std::string_view name) {
    for (const tbotcommand& c : table)
        if (c.run && c.name == name) return &c;
    return nullptr;
}

const tbotcommand* findhelptopic(std::span<const tbotcommand> table, std::string_view topic) {
    for (const tbotcommand& c : table)
        if (!c.help.empty() && c.name == topic) return &c;
    return nullptr;
}

namespace {

bool checkgate(TForm1& form, const tbotmessage& msg, tgate gate, std::string_view name,
               std::string_view refusal) {
    const Tuser& u = form.user(msg.user);
    bool ok = true;
    const char* required = nullptr;
    switch (gate) {
    case tgate::anyone:
        return true;
    case tgate::identified:
        ok = u.identified && msg.ns >= 0;
        break;
    case tgate::ircop:
        ok = u.umode_o;
        required = "IRC Operator";
        break;
    case tgate::servicesop:
        ok = u.servicesop;
        required = "Services Operator";
        break;
    }
    if (ok) return true;
    if (!refusal.empty())
        msg.reply(form, refusal);
    else if (required)
        msg.reply(form, std::string(name) + ": You have no access to this command. " +
                            required + " required.");
    else
        msg.reply(form,
                  "Access denied. If this is your nick, type /msg NickServ IDENTIFY <password>");
    return false;
}

} // namespace

bool passesgate(TForm1& form, const tbotmessage& msg, const tbotcommand& row) {
    return checkgate(form, msg, row.gate, row.name, row.refusal);
}

bool passesgate(TForm1& form, const tbotmessage& msg, tgate gate, std::string_view name) {
    return checkgate(form, msg, gate, name, {});
}

void sendlines(TForm1& form, const tbotmessage& msg, std::span<const std::string_view> lines) {
    for (std::string_view line : lines)
        msg.reply(form, line);
}

bool sendhelptopic(TForm1& form, const tbotmessage& msg, std::span<const tbotcommand> table,
                   std::string_view topic) {
    const tbotcommand* row = findhelptopic(table, topic);
    if (!row) return false;
    sendlines(form, msg, row->help);
    return true;
}

} // namespace tessel
