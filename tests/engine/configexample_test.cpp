// The example configuration shipped in doc/ names exactly the keys the loader
// knows, and every line it leaves commented out shows the real default.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "engine/config.h"

namespace tessel {
namespace {

struct exampleline {
    std::string value;
    bool commented;
};

// KEY=value lines of the example, active or commented out with a leading "#";
// prose comments ("# ...") are not key lines.
std::map<std::string, exampleline> examplekeys() {
    std::ifstream file(std::string(TESSEL_SOURCE_DIR) + "/doc/tesselsv.ini.example");
    EXPECT_TRUE(file.is_open());
    std::map<std::string, exampleline> keys;
    const std::regex keyline("^(#?)([A-Z][A-Z0-9]*)=(.*)$");
    std::string line;
    while (std::getline(file, line)) {
        std::smatch m;
        if (std::regex_match(line, m, keyline)) keys[m[2]] = {m[3], !m[1].str().empty()};
    }
    return keys;
}

bool isscanreason(const std::string& key) {
    return key.compare(0, kScanReasonKey.size(), kScanReasonKey) == 0 &&
           key.size() > kScanReasonKey.size();
}

TEST(ConfigExample, NamesEveryKeyTheLoaderKnowsAndNoOther) {
    const auto example = examplekeys();
    std::set<std::string> known;
    for (const tconfigkey& k : configkeys()) {
        known.insert(std::string(k.name));
        EXPECT_TRUE(example.count(std::string(k.name)))
            << k.name << " is missing from doc/tesselsv.ini.example";
    }
    bool scanreason = false;
    for (const auto& [key, line] : example) {
        if (isscanreason(key)) {
            scanreason = true;
            continue;
        }
        EXPECT_TRUE(known.count(key)) << key << " is in the example but the loader ignores it";
    }
    EXPECT_TRUE(scanreason) << "the example shows no SCANREASON<port> line";
}

TEST(ConfigExample, CommentedLinesShowTheDefaults) {
    const tconfig defaults;
    for (const auto& [key, line] : examplekeys()) {
        if (!line.commented) continue;
        for (const tconfigkey& k : configkeys()) {
            if (k.name != key) continue;
            if (k.text) {
                EXPECT_EQ(defaults.*k.text, line.value) << key;
            } else if (k.flag) {
                EXPECT_EQ(defaults.*k.flag, line.value == "1") << key;
            } else if (k.number) {
                EXPECT_EQ(std::to_string(defaults.*k.number), line.value) << key;
            }
        }
    }
}

} // namespace
} // namespace tessel
