#include "core/textRules.h"

namespace core {

std::size_t gbkCharLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    return lead >= 0x81 && lead != 0xFF && i + 1 < text.size() ? 2 : 1;
}

std::size_t gbkFind(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty()) return std::string_view::npos;
    for (std::size_t i = from; i < text.size(); i += gbkCharLength(text, i)) {
        if (text.compare(i, needle.size(), needle) == 0) return i;
    }
    return std::string_view::npos;
}

namespace {

// Full-width ASCII (row A3) and the full-width space folded to their single-byte forms.
std::string foldFullWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = gbkCharLength(text, i);
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto trail = len == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (len == 2 && lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            out += static_cast<char>(trail - 0x80);
        } else if (len == 2 && lead == 0xA1 && trail == 0xA1) {
            out += ' ';
        } else {
            out.append(text, i, len);
        }
        i += len;
    }
    return out;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::int32_t textToInt(std::string_view text) {
    const std::string folded = foldFullWidth(text);
    std::size_t i = 0;
    while (i < folded.size() && isSpace(folded[i])) ++i;
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
        negative = folded[i] == '-';
        ++i;
    }
    std::uint32_t value = 0; // unsigned arithmetic wraps by definition
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(folded[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::string intToText(std::int64_t value) { return std::to_string(value); }

} // namespace core
