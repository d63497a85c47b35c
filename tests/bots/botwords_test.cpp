#include "bots/botmessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tessel::kBotWords;
using tessel::smallnumber;
using tessel::splitbotwords;
using tessel::tbotmessage;

namespace {

std::vector<std::string> wordsof(const std::string& text) {
    tbotmessage msg;
    msg.text = text;
    splitbotwords(msg);
    std::vector<std::string> out;
    for (const auto& w : msg.words)
        if (!w.empty()) out.push_back(w);
    return out;
}

} // namespace

TEST(BotWords, SplitsOnBlankRunsAndDropsColonAfterBlank) {
    struct Case {
        const char* text;
        std::vector<std::string> words;
    } cases[] = {
        {"SEND  Bob   :hello there", {"SEND", "Bob", "hello", "there"}},
        {"  identify   secret  ", {"identify", "secret"}},
        {":help", {":help"}},                  // no blank before it: kept
        {"set url ::x", {"set", "url", ":x"}}, // only the first colon goes
        {"a : :b", {"a", "b"}},                // a lone colon leaves no word
        {"access add *@a:b", {"access", "add", "*@a:b"}},
        {"", {}},
        {"   ", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wordsof(c.text), c.words) << c.text;
}

TEST(BotWords, UpperCasedCopiesUseTheIrcCaseMapping) {
    tbotmessage msg;
    msg.text = "ghost {bob}|x~ pw";
    splitbotwords(msg);
    EXPECT_EQ(msg.words[1], "{bob}|x~");
    EXPECT_EQ(msg.upwords[1], "[BOB]\\X~");
    EXPECT_EQ(msg.upwords[0], "GHOST");
}

TEST(BotWords, SeparatesAtMost99WordsAndReusesNothingFromAnEarlierMessage) {
    tbotmessage msg;
    for (int i = 0; i < 150; ++i)
        msg.text += "w" + std::to_string(i) + " ";
    splitbotwords(msg);
    EXPECT_EQ(msg.words[98], "w98");
    EXPECT_EQ(msg.words[kBotWords - 1], "");

    msg.text = "one";
    splitbotwords(msg);
    EXPECT_EQ(msg.words[0], "one");
    EXPECT_EQ(msg.words[1], "");
    EXPECT_EQ(msg.upwords[98], "");
}

TEST(BotWords, SmallNumbersHaveOneToThreeDigits) {
    struct Case {
        const char* word;
        int32_t value;
    } cases[] = {{"0", 0},   {"7", 7},   {"100", 100}, {"999", 999}, {"1000", -1}, {"", -1},
                 {"-1", -1}, {"+5", -1}, {"1a", -1},   {" 5", -1},   {"007", 7},   {"0000", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(smallnumber(c.word), c.value) << c.word;
}
