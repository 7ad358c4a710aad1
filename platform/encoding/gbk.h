// The one converter between the program's GBK texts and UTF-8 (file names, widgets, sources).
#pragma once

#include <string>
#include <string_view>

namespace encoding {

// UTF-8 → GBK. A character GBK cannot hold becomes "?".
std::string toGbk(std::string_view utf8);

// GBK → UTF-8. An invalid byte becomes U+FFFD.
std::string toUtf8(std::string_view gbk);

} // namespace encoding
