#include "util/tlinklist.h"

#include <gtest/gtest.h>

using namespace tessel;

TEST(Tlinklist, InsertAtHeadAndUnlinkAnywhereKeepsNeighboursJoined) {
    long before = tlinklist::livecount();
    tlinklist* head = nullptr;
    auto* a = new tthing;
    auto* b = new tthing;
    auto* c = new tthing;
    EXPECT_EQ(tlinklist::livecount(), before + 3);
    linklistadd(head, a);
    linklistadd(head, b);
    linklistadd(head, c); // c b a
    EXPECT_EQ(head, c);
    linklistdel(head, b); // c a
    EXPECT_EQ(c->next, a);
    EXPECT_EQ(a->prev, c);
    linklistdel(head, c); // a
    EXPECT_EQ(head, a);
    EXPECT_EQ(a->prev, nullptr);
    linklistdel(head, a);
    EXPECT_EQ(head, nullptr);
    delete a;
    delete b;
    delete c;
    EXPECT_EQ(tlinklist::livecount(), before);
}
