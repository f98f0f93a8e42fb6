#include "platform/ProgramFolder.h"

#include <mutex>
#include <vector>

#include "platform/win32/FileAccess.h"

namespace platform {
namespace {

std::mutex& FolderMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& Folder() {
    static std::string folder;
    return folder;
}

bool& Known() {
    static bool known = false;
    return known;
}

void MakeCurrent(const std::string& folder) {
    // A drive root is remembered without its backslash ("C:") but entered as "C:\".
    std::wstring wide = win32::Widen(folder);
    if (wide.empty() || wide.back() == L':') {
        wide += L'\\';
    }
    // Nothing to report on failure: paths are formed from the remembered folder, not the current directory.
    SetCurrentDirectoryW(wide.c_str());
}

std::string ExecutableFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return ".";
        }
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);  // cut off: try again with more room
    }
    std::wstring full(path.begin(), path.end());
    const std::size_t cut = full.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::string(".") : win32::Narrow(full.substr(0, cut));
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

// A Windows installation puts the program in a folder its user can write, so the program folder is always the
// executable's own.
std::string ProgramFolderFor(const std::string& executableFolder) {
    return executableFolder;
}

ProgramFolderChoice ChooseProgramFolder(const std::string& executableFolder) {
    return {executableFolder, {}};
}

std::string UnusableUserFolderText() {
    return {};
}

const std::string& ProgramFolder() {
    std::lock_guard lock(FolderMutex());
    if (!Known()) {
        Folder() = ProgramFolderFor(ExecutableFolder());
        Known() = true;
        MakeCurrent(Folder());
    }
    return Folder();
}

void SetProgramFolder(const std::string& folder) {
    std::string cleaned = folder;
    while (cleaned.size() > 1 && IsSeparator(cleaned.back())) {
        cleaned.pop_back();
    }
    if (cleaned.size() == 1 && IsSeparator(cleaned[0])) {
        cleaned.clear();
    }
    std::lock_guard lock(FolderMutex());
    Folder() = cleaned;
    Known() = true;
    MakeCurrent(Folder());
}

std::string InProgramFolder(const std::string& relative) {
    const std::string& folder = ProgramFolder();
    std::lock_guard lock(FolderMutex());
    std::size_t start = relative.find_first_not_of("/\\");
    if (start == std::string::npos) {
        return folder;
    }
    // The file functions of this layer take '/' and '\' alike; the operator and the shell get '\'.
    return NativeSeparators(folder + "\\" + relative.substr(start));
}

std::string NativeSeparators(std::string path) {
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

}  // namespace platform
