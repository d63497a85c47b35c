#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/harness.h"

namespace tesseltest {

// The service clients on the harness' own server "AB".
inline const std::string kNickServ = "ABAAB";
inline const std::string kChanServ = "ABAAA";
inline const std::string kMemoServ = "ABAAC";
inline const std::string kOperServ = "ABAAD";
// NickServ addressed as nick@server, the form SAFEIDENTIFY asks for.
inline const std::string kNickServAt = "NickServ@services.test";

// One row of a conversation table: the text a user sends and the texts of
// the replies expected back, each a line from the service to that user with
// the default token, in order.
struct Exchange {
    std::string sent;
    std::vector<std::string> replies;
};

class BotTest : public ::testing::Test {
protected:
    Harness h;

    // Everything the services send when `from` messages `target` with `text`.
    // The message arrives as if the sender had kept to the sustained rate,
    // so tests never meet flood control unless they send with atonce().
    std::vector<std::string> say(const std::string& from, const std::string& text,
                                 const std::string& target = kNickServ) {
        const int32_t u = h.form.GETP10ID(from);
        if (h.form.net.users.valid(u)) {
            h.form.user(u).floodtime = 0;
            h.form.user(u).floodignored = false;
        }
        return atonce(from, text, target);
    }

    // The same without touching the sender's flood clock: consecutive calls
    // arrive within the same second.
    std::vector<std::string> atonce(const std::string& from, const std::string& text,
                                    const std::string& target = kNickServ) {
        h.take();
        h.feed(from + " P " + target + " :" + text);
        return h.take();
    }

    // Sends every row of `table` from `from` to `service` and compares the
    // replies line by line; failures name the row.
    void converse(const std::string& from, const std::string& service,
                  const std::vector<Exchange>& table) {
        for (const Exchange& row : table)
            EXPECT_EQ(say(from, row.sent, service), notices(from, row.replies, service))
                << "sent: " << row.sent;
    }

    // A reply line with the default token.
    static std::string notice(const std::string& to, const std::string& text,
                              const std::string& service = kNickServ) {
        return service + " O " + to + " :" + text;
    }
    static std::vector<std::string> notices(const std::string& to,
                                            const std::vector<std::string>& texts,
                                            const std::string& service = kNickServ) {
        std::vector<std::string> out;
        for (const auto& t : texts)
            out.push_back(notice(to, t, service));
        return out;
    }

    // Introduces `nick` and registers it; the user stays online, identified.
    int32_t registered(const std::string& nick, const std::string& numeric,
                       const std::string& password = "secret", const std::string& modes = "") {
        int32_t u = h.adduser(nick, numeric, modes);
        EXPECT_EQ(say(numeric, "REGISTER " + password + " " + nick + "@mail.example"),
                  std::vector<std::string>{notice(numeric, "Your nick is now registered")})
            << nick;
        return u;
    }

    // A registration whose owner has left the network.
    int32_t offlinerecord(const std::string& nick, const std::string& password = "secret") {
        registered(nick, "AKAAz", password);
        h.feed("AKAAz Q :gone");
        h.take();
        return h.form.GETNS(nick);
    }

    tessel::Tuser& user(int32_t i) { return h.form.user(i); }
    tessel::Tnickserv& record(const std::string& nick) {
        return h.form.nickreg(h.form.GETNS(nick));
    }
};

} // namespace tesseltest
