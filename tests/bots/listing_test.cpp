#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bots/listing.h"
#include "support/harness.h"

using namespace tesseltest;
using Lines = std::vector<std::string>;

namespace {

// The lines a listing sends for offers in the given order, each shown as its
// slot number.
Lines listed(int32_t max, const std::vector<std::pair<std::string, int32_t>>& offers) {
    Harness h;
    tessel::tlisting listing(max);
    for (const auto& [key, slot] : offers)
        listing.offer(key, slot);
    listing.send(h.form, "> ", [](int32_t slot) { return std::to_string(slot); });
    h.form.SENDFLUSH();
    return h.take();
}

} // namespace

TEST(Listing, ShowsTheSmallestNamesInOrderAndCountsEverySelection) {
    const std::vector<std::pair<std::string, int32_t>> offers = {
        {"D", 0}, {"B", 1}, {std::string("\xFF", 1), 2}, {"A", 3}, {"C", 4},
        {"B", 5}, {std::string("\xFFZ", 2), 6}, {"", 7}, {"E", 8}};
    // A name offered twice shows once, the first offer; names from byte 255
    // on and the empty name never show but count.
    EXPECT_EQ(listed(100, offers),
              (Lines{"> 3", "> 1", "> 4", "> 0", "> 8", "> End of list - 5/9 matches shown."}));
    EXPECT_EQ(listed(2, offers), (Lines{"> 3", "> 1", "> End of list - 2/9 matches shown."}));
    EXPECT_EQ(listed(0, offers), (Lines{"> 3", "> End of list - 1/9 matches shown."}));
    EXPECT_EQ(listed(-1, {}), (Lines{"> End of list - 0/0 matches shown."}));
}

TEST(Listing, NeverShowsMoreThanAHundred) {
    std::vector<std::pair<std::string, int32_t>> offers;
    for (int i = 0; i < 150; ++i)
        offers.emplace_back("N" + std::to_string(1000 + 149 - i), i);
    Lines sent = listed(999, offers);
    ASSERT_EQ(sent.size(), 101u);
    EXPECT_EQ(sent.front(), "> 149");
    EXPECT_EQ(sent[99], "> 50");
    EXPECT_EQ(sent.back(), "> End of list - 100/150 matches shown.");
}
