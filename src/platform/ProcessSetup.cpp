#include "platform/ProcessSetup.h"

namespace platform {

// The dynamic loader searches only the places the executable names and the system's own folders.
void RestrictLibrarySearch() {}

// Where Debian's qt6-translations-l10n installs them (the package depends on it).
std::string QtTranslationsFolder() {
    return "/usr/share/qt6/translations";
}

}  // namespace platform
