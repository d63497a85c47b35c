#include "registry/wildmatch.h"

#include <gtest/gtest.h>

#include <string>

using namespace tessel;

namespace {

TEST(Wildmatch, PatternsAreAnchoredAndSegmentsSearchedInOrder) {
    struct Case {
        std::string pattern;
        std::string text;
        bool match;
    };
    const Case cases[] = {
        {"*", "", true},
        {"*", "ANYTHING AT ALL", true},
        {"", "", true},
        {"", "A", false},
        {"A?C", "ABC", true},
        {"A?C", "AC", false},
        {"A?C", "XABC", false},
        {"A?C", "ABCX", false},
        {"*AB*A*", "ZZAB", false}, // the A must come after the AB
        {"*AB*A*", "ZZABXA", true},
        {"*@HOST.EXAMPLE", "USER@HOST.EXAMPLE", true},
        {"*@HOST.EXAMPLE", "USER@HOST.EXAMPLE.ORG", false},
        {"USER@*", "USER@", true},
        {"**", "", true},
        {"A**B", "AB", true},
        {"?", "", false},
        {"??", "A", false},
        {"*?", "", false},
        {"*?*", "X", true},
        {"a", "A", false}, // byte for byte: callers upper-case both sides
        {"*.EXAMPLE", "HOST.EXAMPLE", true},
        {"[A]*", "[A]B", true}, // no character classes
        {"\\*", "\\X", true},   // no escape either
        {"*!*@*", "NICK!USER@HOST", true},
        {"*!*@*", "NICK@HOST", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wildmatch(c.pattern, c.text), c.match) << c.pattern << " / " << c.text;
}

TEST(Wildmatch, QuestionMarkNeverStandsForTheEnds) {
    // A sentinel byte inside the text is only matched by itself.
    const std::string withsentinel = std::string("A") + '\x01' + "B";
    EXPECT_FALSE(wildmatch("A?B", withsentinel));
    EXPECT_TRUE(wildmatch("A*B", withsentinel));
    EXPECT_TRUE(wildmatch(withsentinel, withsentinel));
}

} // namespace
