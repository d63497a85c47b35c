#pragma once

namespace tessel {
// Version text announced in VERSION and MOTD replies.
inline constexpr const char* kVersionText = "1.2.1.linux.gen";
} // namespace tessel
