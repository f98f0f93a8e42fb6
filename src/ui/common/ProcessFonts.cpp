#include "ui/common/ProcessFonts.h"

namespace ui {
namespace {

ProcessFonts* installed = nullptr;

}  // namespace

ProcessFonts* TheProcessFonts() {
    return installed;
}

void SetProcessFonts(ProcessFonts* fonts) {
    installed = fonts;
}

}  // namespace ui
