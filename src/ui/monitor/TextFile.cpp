#include "ui/monitor/TextFile.h"

#include "platform/FileAppend.h"
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
    return platform::WriteWholeFile(path, TextFileBytes(utf8Text));
}

}  // namespace ui
