#include "platform/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>

namespace platform {
namespace {

// One conversion descriptor per thread and direction; iconv_t is not safe to share between threads.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of [in, in + inLeft) as possible, appending to `out`. Returns 0 when all input was
    // consumed, otherwise the errno that stopped it (EILSEQ or EINVAL) with `in`/`inLeft` at the offending
    // byte.
    int Convert(const char*& in, std::size_t& inLeft, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t rc = iconv(cd_, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) {
                    continue;
                }
                return errno;
            }
        }
        return 0;
    }

  private:
    iconv_t cd_;
};

// Length of the UTF-8 sequence that starts at `s`, or 0 when the bytes there are not a valid sequence.
std::size_t Utf8SequenceLength(const unsigned char* s, std::size_t left) {
    unsigned char c = s[0];
    std::size_t len;
    unsigned int cp;
    if (c < 0x80) {
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
    bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (overlong || surrogate || cp > 0x10FFFF) {
        return 0;
    }
    return len;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
    thread_local Converter converter("UTF-8", "GBK");
    std::string out;
    out.reserve(gbk.size() * 3 / 2 + 1);
    const char* in = gbk.data();
    std::size_t left = gbk.size();
    if (!converter.Valid()) {
        // Without a converter only ASCII can be trusted.
        for (char c : gbk) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out.push_back(c);
            } else {
                out.append(kReplacement);
            }
        }
        return out;
    }
    while (left > 0) {
        if (converter.Convert(in, left, out) == 0) {
            break;
        }
        // An undecodable byte (a bad pair, or a lead byte cut off at the end): mark it and go on with the
        // next.
        out.append(kReplacement);
        ++in;
        --left;
    }
    return out;
}

std::string Utf8ToGbk(std::string_view utf8) {
    thread_local Converter converter("GBK", "UTF-8");
    std::string out;
    out.reserve(utf8.size());
    const char* in = utf8.data();
    std::size_t left = utf8.size();
    if (!converter.Valid()) {
        for (char c : utf8) {
            out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
        }
        return out;
    }
    while (left > 0) {
        if (converter.Convert(in, left, out) == 0) {
            break;
        }
        // A character GBK cannot hold becomes one '?'; a malformed UTF-8 byte also becomes '?'.
        std::size_t skip = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(in), left);
        if (skip == 0) {
            skip = 1;
        }
        out.push_back('?');
        in += skip;
        left -= skip;
    }
    return out;
}

}  // namespace platform
