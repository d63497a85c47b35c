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
        if (c.name == name) return &c;
    return nullptr;
}

} // namespace tessel
