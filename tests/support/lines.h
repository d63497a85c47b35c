#pragma once

#include <string>
#include <vector>

namespace tesseltest {

// The lines (sent or logged) that begin with `prefix`, in order.
inline std::vector<std::string> startingwith(const std::vector<std::string>& lines,
                                             const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
}

} // namespace tesseltest
