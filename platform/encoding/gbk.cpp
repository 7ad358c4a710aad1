#include "platform/encoding/gbk.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace encoding {
namespace {

// Converts as much as it can; on an unconvertible or invalid sequence it writes the
// replacement and skips one input character.
std::string convert(std::string_view in, const char* to, const char* from,
                    std::string_view replacement, std::size_t (*skip)(std::string_view, std::size_t)) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t written = 0;
    while (srcLeft > 0) {
        char* dst = out.data() + written;
        std::size_t dstLeft = out.size() - written;
        const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        written = out.size() - dstLeft;
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else { // EILSEQ or EINVAL: replace one character and go on
            const std::size_t n = skip(std::string_view(src, srcLeft), 0);
            src += n;
            srcLeft -= n;
            out.resize(std::max(out.size(), written + replacement.size() + srcLeft * 2 + 16));
            out.replace(written, replacement.size(), replacement);
            written += replacement.size();
        }
    }
    iconv_close(cd);
    out.resize(written);
    return out;
}

std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    for (std::size_t k = 1; k < n; ++k) {
        if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return k;
    }
    return n;
}

std::size_t gbkLength(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    return b >= 0x81 && b <= 0xFE && i + 1 < s.size() ? 2 : 1;
}

} // namespace

std::string toGbk(std::string_view utf8) { return convert(utf8, "GBK", "UTF-8", "?", utf8Length); }

std::string toUtf8(std::string_view gbk) {
    return convert(gbk, "UTF-8", "GBK", "\xEF\xBF\xBD", gbkLength);
}

} // namespace encoding
