#pragma once
// What the process sets up before anything else: where the system may look for libraries it loads, and where
// Qt's own translations (the texts of the standard buttons and dialogs) are. Paths are UTF-8.
#include <string>

namespace platform {

// Windows: libraries loaded after this call are looked for only in the program's own folder and in System32,
// never in the current directory or along PATH. Call it first thing in main. Nothing to do elsewhere.
void RestrictLibrarySearch();

// The folder that holds Qt's translations (qtbase_zh_CN.qm): Debian's /usr/share/qt6/translations on Linux,
// the program folder's translations folder on Windows.
std::string QtTranslationsFolder();

}  // namespace platform
