#include "p10/decimalword.h"

namespace tessel {

std::optional<int32_t> decimalvalue(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int32_t>(value);
}

int32_t decimalor(std::string_view text, int32_t fallback) {
    return decimalvalue(text).value_or(fallback);
}

int32_t digitsvalue(std::string_view text, size_t maxdigits) {
    if (text.empty() || text.size() > maxdigits || text.size() > 9) return -1;
    int32_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace tessel
