#pragma once

#include <string>

namespace tesseltest {

// Names each instance of a parameterised test after the `name` field of its
// case, so test listings read like the table of cases.
inline constexpr auto casename = [](const auto& info) { return std::string(info.param.name); };

} // namespace tesseltest
