#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/casename.h"
#include "support/harness.h"
#include "support/tempdir.h"

namespace {

using tesseltest::Harness;
using tesseltest::TempDir;
using tesseltest::WorkingDir;

// The RAW category shows exactly which lines reached the dispatcher.
class Framing : public testing::Test {
protected:
    TempDir dir;
    WorkingDir cwd{dir.path()};
    Harness h;

    void SetUp() override {
        dir.write("raw.log", "");
        h.form.cfg.logmask = 0x2000;
        h.form.log.logfile = std::fopen("raw.log", "a");
        h.form.log.logopen = true;
        h.form.log.lastlogday = h.form.clock.now / 86400; // no date line
    }

    std::string rawlines() {
        std::string out;
        std::string text = dir.read("raw.log");
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            std::string line = text.substr(start, end - start);
            out += line.substr(line.find("RAW: ") + 5) + "|";
            start = end + 1;
        }
        return out;
    }
};

struct FramingCase {
    const char* name;
    std::vector<std::string> chunks; // successive receives
    std::string lines;               // lines handed on, "|" after each
    std::string left;                // bytes waiting for their line end
};

// Shown in test listings and failures instead of the struct's bytes.
void PrintTo(const FramingCase& c, std::ostream* os) {
    *os << c.name << ": " << testing::PrintToString(c.chunks);
}

const FramingCase kFramingCases[] = {
    {"CrLf", {"A\r\nB\r\nC"}, "A|B|", "C"},
    {"CrAlone", {"A\rB\rC"}, "A|B|", "C"},
    {"LfAlone", {"A\nB\nC"}, "A|B|", "C"},
    {"BlankLinesSkipped", {"\r\n\n\rA\n\n\r\nB\r\n"}, "A|B|", ""},
    {"LineCompletedByALaterReceive", {"A\r\nB", "C", "D\r", "\nE\n"}, "A|BCD|E|", ""},
    {"LineEndSplitFromItsLine", {"A\r", "\n"}, "A|", ""},
};

class FramingCases : public Framing, public testing::WithParamInterface<FramingCase> {};

TEST_P(FramingCases, CutsLines) {
    for (const auto& chunk : GetParam().chunks)
        h.receive(chunk);
    EXPECT_EQ(rawlines(), GetParam().lines);
    EXPECT_EQ(h.form.link.recvbuffer, GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(Inputs, FramingCases, testing::ValuesIn(kFramingCases),
                         tesseltest::casename);

// A peer that never ends its line cannot make the buffer grow without bound:
// the over-long line is dropped whole, the lines around it survive.
TEST_F(Framing, OverlongLineIsDroppedWhole) {
    h.receive("A\r\n" + std::string(10000, 'x'));
    h.receive(std::string(10000, 'y'));
    EXPECT_LT(h.form.link.recvbuffer.size(), 20000u);
    h.receive(std::string(100, 'z') + "\r\nB\r\n");
    EXPECT_EQ(rawlines(), "A|B|");
    EXPECT_EQ(h.form.link.recvbuffer, "");
}

// Replies to every line of one received batch leave in one batch.
TEST_F(Framing, RepliesOfABatchAreFlushedTogether) {
    std::vector<std::string> batches;
    h.form.link.outputsink = [&](std::string_view b) { batches.emplace_back(b); };
    h.receive("AK G !1.5 services.test 1.5\r\nAK G !2.5 services.test 2.5\r\n");
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0], "AB Z services.test :1.5\r\nAB Z services.test :2.5\r\n");
}

struct BatchCase {
    const char* name;
    std::vector<size_t> lines;   // lengths of the lines sent, in order
    std::vector<size_t> batches; // sizes of the batches handed to the socket
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.name << ": lines of " << testing::PrintToString(c.lines);
}

// The limit counts the line ends already queued but not the new line's.
const BatchCase kBatchCases[] = {
    {"TwoOf699ShareABatch", {699, 699}, {1402}},
    {"TwoOf700DoNot", {700, 700}, {702, 702}},
    {"LongLineAlone", {10, 2000, 10}, {12, 2002, 12}},
    {"ManySmallLines", {98, 98, 98, 98, 98, 98, 98, 98, 98, 98, 98, 98, 98, 98, 98}, {1400, 100}},
};

class Batching : public testing::TestWithParam<BatchCase> {};

TEST_P(Batching, HandsBatchesToTheSocket) {
    Harness h;
    std::vector<size_t> batches;
    h.form.link.outputsink = [&](std::string_view b) { batches.push_back(b.size()); };
    char fill = 'a';
    for (size_t len : GetParam().lines)
        h.form.SEND(std::string(len, fill++));
    h.form.SENDFLUSH();
    EXPECT_EQ(batches, GetParam().batches);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Batching, testing::ValuesIn(kBatchCases), tesseltest::casename);

TEST(Sending, NothingWhileUnlinkedEvenAfterALaterLink) {
    Harness h;
    h.form.link.linkstate = 0;
    h.form.MESEND("EB");
    h.form.SENDFLUSH();
    h.form.link.linkstate = 1;
    h.form.MESEND("EA");
    h.form.SENDFLUSH();
    EXPECT_EQ(h.take(), std::vector<std::string>{"AB EA"});
}

} // namespace
