#pragma once
// Code page 936 (GBK) <-> UTF-8. Conversion never fails: undecodable GBK bytes become U+FFFD, characters GBK
// cannot hold become '?'.
#include <string>
#include <string_view>

namespace platform {

std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace platform
