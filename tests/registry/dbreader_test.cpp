// Line framing of the database reader and the free text of its lines.
#include <vector>

#include "dbtest.h"

using namespace tessel;

namespace tesseltest {

TEST_F(DbTest, ReaderLineEnds) {
    struct Case {
        std::string content;
        std::vector<std::string> lines;
    };
    const std::string chunkfill(64 * 1024 - 1, 'x'); // CR as the last byte of a read
    const std::string maxline(kMaxDbLine, 'y');
    const Case cases[] = {
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\r\nb\n\r", {"a", "", "b", ""}},
        {"", {}},
        {"\n", {""}},
        {chunkfill + "\r\nz", {chunkfill, "z"}},
        {maxline + "\n" + maxline + "y\nz\n" + maxline + "yy", {maxline, "z"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content.substr(0, 20));
        dir.write("f", c.content);
        tdbreader in;
        ASSERT_EQ(in.open("f"), tdbreader::opened);
        std::vector<std::string> got;
        std::string line;
        while (in.readline(line))
            got.push_back(line);
        EXPECT_TRUE(in.ok());
        EXPECT_EQ(got, c.lines);
    }
    tdbreader absent;
    EXPECT_EQ(absent.open("nothing"), tdbreader::absent);
}

TEST(DbValues, TrailingText) {
    const std::pair<const char*, const char*> cases[] = {
        {"Bob 5 :a: b", "a: b"}, {"*@2001:db8::1 5 Oper :why", "why"},
        {"Bob 5 x:y", "y"},      {"Bob 5 text", "Bob 5 text"},
        {"Bob 5 :", ""},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(trailingtext(value), text) << value;
}

} // namespace tesseltest
