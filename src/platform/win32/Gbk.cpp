#include "platform/Gbk.h"

#include <windows.h>

#include <cstddef>

namespace platform {
namespace {

constexpr UINT kGbk = 936;
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

void AppendUtf8(std::string& out, const wchar_t* wide, int count) {
    char buffer[16];
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, count, buffer, sizeof buffer, nullptr, nullptr);
    if (n > 0) {
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

// Decodes one GBK character of `length` bytes; false when the bytes are not one.
bool DecodeOne(const char* bytes, int length, std::string& out) {
    wchar_t wide[4];
    const int n = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, bytes, length, wide, 4);
    if (n <= 0) {
        return false;
    }
    AppendUtf8(out, wide, n);
    return true;
}

// Length of the UTF-8 sequence at `s` and its code point, or 0 when the bytes there are not a valid sequence.
std::size_t Utf8Sequence(const unsigned char* s, std::size_t left, unsigned& codePoint) {
    const unsigned char c = s[0];
    std::size_t len;
    unsigned cp;
    if (c < 0x80) {
        codePoint = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (left < len) {
        return 0;
    }
    for (std::size_t i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        return 0;
    }
    codePoint = cp;
    return len;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size() * 3 / 2 + 1);
    std::size_t i = 0;
    while (i < gbk.size()) {
        const unsigned char c = static_cast<unsigned char>(gbk[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        // A lead byte with its trail byte, decoded on its own so that a bad pair costs only its lead byte.
        if (i + 1 < gbk.size() && IsDBCSLeadByteEx(kGbk, c) && DecodeOne(gbk.data() + i, 2, out)) {
            i += 2;
            continue;
        }
        if (!IsDBCSLeadByteEx(kGbk, c) && DecodeOne(gbk.data() + i, 1, out)) {
            ++i;  // a single-byte character above ASCII (0x80, the euro sign)
            continue;
        }
        out.append(kReplacement);
        ++i;
    }
    return out;
}

std::string Utf8ToGbk(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8.data()) + i;
        unsigned cp = 0;
        std::size_t len = Utf8Sequence(s, utf8.size() - i, cp);
        if (len == 0) {
            out.push_back('?');  // a malformed UTF-8 byte
            ++i;
            continue;
        }
        i += len;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        wchar_t wide[2];
        int count = 1;
        if (cp >= 0x10000) {
            wide[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            wide[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            count = 2;
        } else {
            wide[0] = static_cast<wchar_t>(cp);
        }
        // No best-fit mapping: a character GBK cannot hold becomes one '?', never a look-alike.
        char bytes[8];
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide, count, bytes, sizeof bytes, "?",
                                          &usedDefault);
        if (n <= 0 || usedDefault) {
            out.push_back('?');
        } else {
            out.append(bytes, static_cast<std::size_t>(n));
        }
    }
    return out;
}

}  // namespace platform
