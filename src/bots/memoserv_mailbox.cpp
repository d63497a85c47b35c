// MemoServ SEND, LIST, READ, DEL and CLEAR: the 31-slot mailbox of a
// registration. Memos fill the lowest free slot and a deletion moves the
// later ones down, so the numbers a user sees (slot + 1) have no gaps.
#include <algorithm>
#include <string>

#include "bots/memoserv.h"
#include "bots/slotlist.h"
#include "engine/tform1.h"
#include "registry/timetext.h"

namespace tessel::memoserv {

namespace {

// The memo number a user typed, as a slot index; -1 for a number outside the
// mailbox or a free slot. `number` is what the refusal repeats.
int typedslot(const Tnickserv& rec, const std::string& word, int32_t& number) {
    number = smallnumber(word);
    if (number < 1 || number > kMemoSlots) return -1;
    const int slot = number - 1;
    return slotempty(rec.memos[slot]) ? -1 : slot;
}

void nosuchmemo(TForm1& form, const tbotmessage& msg, int32_t number) {
    msg.reply(form, "There is no message number " + std::to_string(number));
}

void showmemo(TForm1& form, const tbotmessage& msg, const tmemo& memo) {
    msg.reply(form, "(" + memo.sender + ") " + memo.text);
}

std::string padded(std::string text, size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

} // namespace

void send(TForm1& form, tbotmessage& msg) {
    if (msg.words[2].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is SEND <nick> <message>");
        return;
    }
    if (!passesgate(form, msg, tgate::identified, "SEND")) return;
    const std::string& nick = msg.words[1];
    const int32_t to = form.GETNS(nick);
    if (!form.reg.nicks.valid(to)) {
        msg.reply(form, nick + " A message can only be sent to a registered nick.");
        return;
    }
    if (form.ONIGNORE(to, msg.ns)) {
        msg.reply(form, nick + " You are on this user's IGNORE list.");
        return;
    }
    Tnickserv& rec = form.nickreg(to);
    const int slot = lowestfree(rec.memos);
    if (slot < 0) {
        msg.reply(form, nick + "'s mailbox is full. Message not sent.");
        return;
    }
    const bool wasempty = usedcount(rec.memos) == 0;

    tmemo memo;
    memo.sent = form.clock.now;
    memo.sender = form.nickreg(msg.ns).nick;
    for (size_t i = 2; i < msg.words.size() && !msg.words[i].empty(); ++i)
        memo.text += msg.words[i] + " ";
    rec.memos.set(slot, memo);
    msg.reply(form, "Message has been sent to " + nick + "'s mailbox");

    // The owner online and identified hears of the first memo at once.
    const int32_t owner = rec.identuser;
    if (wasempty && form.net.users.valid(owner) && form.user(owner).nsindex == to)
        form.CHECKMAIL(owner);
}

void list(TForm1& form, tbotmessage& msg) {
    const Tnickserv& rec = form.nickreg(msg.ns);
    if (usedcount(rec.memos) == 0) {
        msg.reply(form, "Your mailbox is empty.");
        return;
    }
    msg.reply(form, "Number  Sender  Time");
    for (int i = 0; i < kMemoSlots; ++i) {
        const tmemo& memo = rec.memos[i];
        if (slotempty(memo)) continue;
        const std::string head = padded(std::to_string(i + 1), 4) + memo.sender + "   ";
        msg.reply(form, padded(head, 30) + durationtext(int64_t{form.clock.now} - memo.sent));
    }
    msg.reply(form, "Type /msg " + form.cfg.memonick + " READ <number> to read a message");
}

void read(TForm1& form, tbotmessage& msg) {
    const Tnickserv& rec = form.nickreg(msg.ns);
    if (!msg.words[1].empty()) {
        int32_t number = -1;
        const int slot = typedslot(rec, msg.words[1], number);
        if (slot < 0)
            nosuchmemo(form, msg, number);
        else
            showmemo(form, msg, rec.memos[slot]);
        return;
    }
    bool shown = false;
    for (int i = 0; i < kMemoSlots; ++i) {
        if (slotempty(rec.memos[i])) continue;
        showmemo(form, msg, rec.memos[i]);
        shown = true;
    }
    if (!shown) msg.reply(form, "There are no messages.");
}

void del(TForm1& form, tbotmessage& msg) {
    if (msg.words[1].empty()) {
        msg.reply(form, "Not enough parameters. Syntax is DEL <number>");
        return;
    }
    if (!passesgate(form, msg, tgate::identified, "DEL")) return;
    Tnickserv& rec = form.nickreg(msg.ns);
    int32_t number = -1;
    const int slot = typedslot(rec, msg.words[1], number);
    if (slot < 0) {
        nosuchmemo(form, msg, number);
        return;
    }
    removecompact(rec.memos, slot);
    msg.reply(form, "Message #" + std::to_string(number) + " has been deleted");
}

void clear(TForm1& form, tbotmessage& msg) {
    form.nickreg(msg.ns).memos.clear();
    msg.reply(form, "All messages have been deleted");
}

} // namespace tessel::memoserv
