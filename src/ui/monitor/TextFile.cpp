#include "ui/monitor/TextFile.h"

#include <cstdio>

#include "platform/Gbk.h"

namespace ui {

std::string TextFileBytes(const std::string& utf8Text) {
    std::string crlf;
    crlf.reserve(utf8Text.size() + utf8Text.size() / 32);
    for (std::size_t i = 0; i < utf8Text.size(); ++i) {
        const char c = utf8Text[i];
        if (c == '\r') {
            crlf += "\r\n";
            if (i + 1 < utf8Text.size() && utf8Text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            crlf += "\r\n";
        } else {
            crlf += c;
        }
    }
    return platform::Utf8ToGbk(crlf);
}

bool WriteTextFile(const std::string& path, const std::string& utf8Text) {
    const std::string bytes = TextFileBytes(utf8Text);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

}  // namespace ui
