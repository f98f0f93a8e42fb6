#include "platform/ProcessSetup.h"

#include "platform/ProgramFolder.h"
#include "platform/win32/FileAccess.h"

namespace platform {

void RestrictLibrarySearch() {
    // The DLLs the executable imports are already loaded from its folder; this covers the ones loaded later
    // (Qt's plugins and what they pull in), so none is taken from the current directory or along PATH.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The program folder is the executable's folder on Windows; the package puts Qt's translations beside it.
std::string QtTranslationsFolder() {
    return ProgramFolder() + "\\translations";
}

}  // namespace platform
