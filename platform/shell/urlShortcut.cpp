#include "platform/shell/urlShortcut.h"

#include "platform/profile/profile.h"

namespace shell {

namespace {

bool isAsciiAlpha(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// A scheme is a letter followed by letters, digits, "+", "-" or "." and then ":". A port
// number after the colon means a host name instead ("localhost:8080").
bool hasScheme(std::string_view address) {
    if (address.empty() || !isAsciiAlpha(address[0])) {
        return false;
    }
    std::size_t i = 1;
    while (i < address.size() && (isAsciiAlpha(address[i]) || isAsciiDigit(address[i]) ||
                                  address[i] == '+' || address[i] == '-' || address[i] == '.')) {
        ++i;
    }
    return i < address.size() && address[i] == ':' &&
           !(i + 1 < address.size() && isAsciiDigit(address[i + 1]));
}

} // namespace

std::string withScheme(std::string_view address) {
    if (address.empty() || hasScheme(address)) {
        return std::string(address);
    }
    return "https://" + std::string(address);
}

UrlShortcut createShortcut(const std::filesystem::path& file) {
    UrlShortcut shortcut;
    shortcut.file = file;
    return shortcut;
}

bool save(const UrlShortcut& shortcut) {
    return profile::writeString(shortcut.file, "InternetShortcut", "URL",
                                withScheme(shortcut.targetPath));
}

} // namespace shell
