#include "log/LogBoxText.h"

namespace oplog {

namespace {

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::size_t LogBoxCutCount(std::u16string_view text) {
    std::size_t cut = LogBoxCutCount(text.size());
    if (cut > 0 && cut < text.size() && IsLowSurrogate(text[cut])) {
        ++cut;
    }
    return cut;
}

void AppendToLogBox(std::u16string& text, std::u16string_view entry) {
    text.erase(0, LogBoxCutCount(std::u16string_view(text)));
    text.append(entry);
}

}  // namespace oplog
