// The text-to-integer rule against a model of its own, written as a walk over characters rather
// than the program's fold-then-scan; and the integer-to-text rule read back in ASCII and in
// full-width form.
#include "core/textRules.h"
#include "fuzz/check.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using fuzz::expect;

// The next character of text at i, as the code the rule sees: a full-width character of GBK
// row A3 as its ASCII form, the full-width space as a space, any other double-byte character
// as -1 (neither blank, sign nor digit), a single byte as itself.
int nextCode(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead >= 0x81 && lead <= 0xFE && i + 1 < text.size()) {
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        i += 2;
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return trail - 0x80;
        if (lead == 0xA1 && trail == 0xA1) return ' ';
        return -1;
    }
    i += 1;
    return lead;
}

bool isWhiteSpace(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::int32_t modelTextToInt(std::string_view text) {
    enum class State { blanks, digits } state = State::blanks;
    bool negative = false;
    std::int64_t value = 0; // kept in 0 .. 2^32-1
    for (std::size_t i = 0; i < text.size();) {
        const int c = nextCode(text, i);
        if (state == State::blanks && isWhiteSpace(c)) continue;
        if (state == State::blanks && (c == '+' || c == '-')) {
            negative = c == '-';
            state = State::digits;
            continue;
        }
        if (c < '0' || c > '9') break;
        state = State::digits;
        value = (value * 10 + (c - '0')) % (std::int64_t{1} << 32);
    }
    if (negative) value = (std::int64_t{1} << 32) - value;
    value %= std::int64_t{1} << 32;
    return static_cast<std::int32_t>(
        value >= (std::int64_t{1} << 31) ? value - (std::int64_t{1} << 32) : value);
}

// ASCII characters in their full-width GBK form, with a full-width space in front.
std::string fullWidth(std::string_view ascii) {
    std::string out = "\xA1\xA1";
    for (char c : ascii) {
        out += '\xA3';
        out += static_cast<char>(static_cast<unsigned char>(c) + 0x80);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    expect(core::textToInt(text) == modelTextToInt(text), "textToInt agrees with the model");

    if (size >= 4) {
        std::int32_t n;
        std::memcpy(&n, data, sizeof n);
        const std::string written = core::intToText(n);
        expect(core::textToInt(written) == n, "an integer's text reads back");
        expect(core::textToInt(fullWidth(written)) == n, "its full-width text reads back");
        expect(written.find_first_not_of("-0123456789") == std::string::npos &&
                   (n < 0) == (written.front() == '-') &&
                   (written == "0" || written[written.front() == '-'] != '0'),
               "decimal, '-' for negatives, no leading zeros");
    }
    return 0;
}
