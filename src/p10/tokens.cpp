#include "p10/tokens.h"

namespace tessel {

std::string_view p10tokenof(std::string_view command) {
    for (const auto& entry : p10tokens)
        if (entry.command == command) return entry.token;
    return {};
}

std::string_view p10commandof(std::string_view token) {
    for (const auto& entry : p10tokens)
        if (entry.token == token) return entry.command;
    return {};
}

} // namespace tessel
