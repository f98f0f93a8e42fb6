#include "platform/ProgramFolder.h"

#include <unistd.h>

#include <mutex>

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
    // The root folder is remembered as the empty text (no trailing separator) but entered as "/".
    if (::chdir(folder.empty() ? "/" : folder.c_str()) != 0) {
        // Nothing to report: paths are formed from the remembered folder, not from the current directory.
    }
}

std::string ExecutableFolder() {
    std::string path(4096, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) {
            path.clear();
            break;
        }
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            break;
        }
        path.resize(path.size() * 2);
    }
    if (path.empty()) {
        // Without the link the current directory is the best guess.
        std::string cwd(4096, '\0');
        if (::getcwd(cwd.data(), cwd.size()) == nullptr) {
            return ".";
        }
        cwd.resize(cwd.find('\0'));
        path = cwd + "/x";
    }
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

const std::string& ProgramFolder() {
    std::lock_guard lock(FolderMutex());
    if (!Known()) {
        Folder() = ExecutableFolder();
        Known() = true;
        MakeCurrent(Folder());
    }
    return Folder();
}

void SetProgramFolder(const std::string& folder) {
    std::string cleaned = folder;
    while (cleaned.size() > 1 && cleaned.back() == '/') {
        cleaned.pop_back();
    }
    if (cleaned == "/") {
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
    std::size_t start = relative.find_first_not_of('/');
    if (start == std::string::npos) {
        return folder;
    }
    return folder + "/" + relative.substr(start);
}

}  // namespace platform
