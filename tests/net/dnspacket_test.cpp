#include "net/dnspacket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace tessel;

namespace {

using bytes = std::vector<uint8_t>;

bytes header() {
    return bytes(12, 0);
}

bytes operator+(bytes a, const bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bytes label(const std::string& text) {
    bytes out(text.size() + 1);
    out[0] = static_cast<uint8_t>(text.size());
    std::copy(text.begin(), text.end(), out.begin() + 1);
    return out;
}

} // namespace

TEST(Buildquery, WritesHeaderQuestionAndLength) {
    tdnspacket packet;
    packet.fill(0xee);
    int length = buildquery(packet, "www.Example.org", dnstypeaaaa, 0x1234);
    const bytes want = bytes{0x12, 0x34, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0} + label("www") +
                       label("Example") + label("org") + bytes{0, 0, 28, 0, 1};
    ASSERT_EQ(length, static_cast<int>(want.size()));
    EXPECT_EQ(bytes(packet.begin(), packet.begin() + length), want);
    // The rest of the buffer is cleared.
    EXPECT_EQ(packet[static_cast<size_t>(length)], 0);
    EXPECT_EQ(packet[511], 0);
    // A final dot is the same name.
    tdnspacket again;
    EXPECT_EQ(buildquery(again, "www.Example.org.", dnstypeaaaa, 0x1234), length);
    EXPECT_EQ(again, packet);
}

TEST(Buildquery, RefusesNamesThatCannotBeWritten) {
    const std::string label63(63, 'a');
    // 127 characters: two 63-character labels around a dot.
    const std::string longest = label63 + "." + label63;
    const struct {
        std::string name;
        bool buildable;
    } cases[] = {
        {label63 + ".test", true},
        {longest, true},
        {longest + ".", true},
        {std::string(64, 'a') + ".test", false},
        {"test." + std::string(64, 'a'), false},
        {longest + "b", false}, // refused, not cut to another name
        {"", false},
        {".", false},
        {"a..b", false},
        {".a", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tdnspacket packet;
        int length = buildquery(packet, c.name, dnstypea, 1);
        if (c.buildable) {
            std::string bare = c.name.back() == '.' ? c.name.substr(0, c.name.size() - 1) : c.name;
            EXPECT_EQ(length, 12 + static_cast<int>(bare.size()) + 1 + 1 + 4);
        } else {
            EXPECT_EQ(length, 0);
        }
    }
}

TEST(Decodename, FollowsPointersAndReportsTheLengthAtTheStart) {
    // 12: "mail.example.org", 30: "www" + pointer to 17 ("example.org"),
    // 36: pointer to 30, 38: the root.
    const bytes message = header() + label("mail") + label("example") + label("org") + bytes{0} +
                          label("www") + bytes{0xc0, 17} + bytes{0xc0, 30} + bytes{0};
    const struct {
        int offset;
        const char* name;
        int used;
    } cases[] = {
        {12, "mail.example.org", 18},
        {30, "www.example.org", 6},
        {36, "www.example.org", 2},
        {38, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        std::string name = "stale";
        int used = 0;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(
            decodename(message.data(), static_cast<int>(message.size()), c.offset, name, used));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(used, c.used);
        EXPECT_EQ(skipname(message.data(), static_cast<int>(message.size()), c.offset), c.used);
    }
}

TEST(Decodename, StopsAtEveryProblemWithItsLine) {
    // `count` pointers in a row from offset 12, each to the next, then "ok".
    auto pointerchain = [](int count) {
        bytes message = header();
        for (int i = 0; i < count; ++i)
            message = message + bytes{0xc0, static_cast<uint8_t>(14 + 2 * i)};
        return message + label("ok") + bytes{0};
    };
    const struct {
        const char* what;
        bytes message;
        int offset;
        const char* output; // nullptr: decodes
    } cases[] = {
        {"ten nested pointers", pointerchain(10), 12, nullptr},
        {"eleven nested pointers", pointerchain(11), 12, "error: max recursion\n"},
        {"pointer to itself", header() + bytes{0xc0, 12}, 12, "error: max recursion\n"},
        {"two pointers to each other", header() + bytes{0xc0, 14, 0xc0, 12}, 12,
         "error: max recursion\n"},
        {"start past the end", header() + bytes{0}, 13, "error: got out of range1\n"},
        {"no terminating zero", header() + label("abc"), 12, "error: got out of range1\n"},
        {"pointer cut off", header() + label("a") + bytes{0xc0}, 12, "error: got out of range2\n"},
        {"pointer past the end", header() + bytes{0xc0, 200}, 12, "error: got out of range2\n"},
        {"label past the end", header() + bytes{10, 'a', 'b'}, 12, "error: got out of range3\n"},
        {"blank in a label", header() + label("a b") + bytes{0}, 12, "error: read invalid char\n"},
        {"dot in a label", header() + label("a.b") + bytes{0}, 12, "error: read invalid char\n"},
        {"zero byte in a label", header() + bytes{2, 'a', 0, 0}, 12, "error: read invalid char\n"},
        {"reserved label type", header() + bytes{0x40, 'a', 0}, 12, "error: read invalid char\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name;
        int used = 0;
        testing::internal::CaptureStdout();
        bool ok =
            decodename(c.message.data(), static_cast<int>(c.message.size()), c.offset, name, used);
        std::string output = testing::internal::GetCapturedStdout();
        if (c.output == nullptr) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(name, "ok");
            EXPECT_EQ(output, "");
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(output, c.output);
        }
    }
}

TEST(Skipname, RefusesNamesThatLeaveTheMessage) {
    const bytes cases[] = {
        header() + label("abc"),
        header() + bytes{0xc0},
        header() + bytes{70, 'a', 0},
        header(),
    };
    for (const auto& message : cases)
        EXPECT_EQ(skipname(message.data(), static_cast<int>(message.size()), 12), -1);
}
