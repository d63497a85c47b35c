#include "util/twords.h"

namespace tessel {

twords splitwords(std::string_view line) {
    twords words;
    size_t count = 0;
    size_t pos = 0;
    while (count < words.size()) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        if (pos >= line.size()) break;
        size_t end = line.find(' ', pos);
        if (end == std::string_view::npos) end = line.size();
        words[count++] = std::string(line.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

} // namespace tessel
