#pragma once

#include <stdexcept>
#include <string>

namespace tessel {

// Raised by sockets and the select loop; carries the message only.
class ESocketException : public std::runtime_error {
public:
    explicit ESocketException(const std::string& message) : std::runtime_error(message) {}
};

} // namespace tessel
