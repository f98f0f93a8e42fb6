#include "platform/ProgramFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

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

namespace fs = std::filesystem;

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share; empty when there is no home folder.
std::string UserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    std::string base = home && home[0] == '/' ? home : "";
    if (base.empty()) {
        if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir && user->pw_dir[0] == '/') {
            base = user->pw_dir;
        }
    }
    return base.empty() ? std::string() : base + "/.local/share";
}

// Copies `from` to `to` unless `to` exists; through a temporary name, so an interrupted copy leaves no
// half-written configuration behind.
void CopyIfAbsent(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec))) return;
    fs::path partial = to;
    partial += ".part";
    if (!fs::copy_file(from, partial, fs::copy_options::overwrite_existing, ec)) return;
    fs::rename(partial, to, ec);
    if (ec) fs::remove(partial, ec);
}

bool PrepareUserFolder(const fs::path& installed, const fs::path& user) {
    std::error_code ec;
    for (const char* folder : {"配置文件", "运行记录", "报文存档", "项目存档", "信息导出", "帮助文件"}) {
        fs::create_directories(user / folder, ec);
        if (ec || !fs::is_directory(user / folder, ec)) return false;
    }
    for (fs::directory_iterator it(installed / "配置文件", ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec)) CopyIfAbsent(it->path(), user / "配置文件" / it->path().filename());
    }
    // A link rather than a copy, so the document follows the installed program's upgrades.
    const fs::path help = user / "帮助文件" / "help.pdf";
    if (!fs::exists(fs::symlink_status(help, ec)) && fs::exists(installed / "帮助文件" / "help.pdf", ec)) {
        fs::create_symlink(installed / "帮助文件" / "help.pdf", help, ec);
    }
    return true;
}

}  // namespace

std::string ProgramFolderFor(const std::string& executableFolder) {
    std::error_code ec;
    const fs::path installed = executableFolder.empty() ? fs::path("/") : fs::path(executableFolder);
    if (!fs::exists(installed / kPerUserMarker, ec)) return executableFolder;
    const std::string data = UserDataFolder();
    if (data.empty()) return executableFolder;
    std::string user = data;
    while (user.size() > 1 && user.back() == '/') user.pop_back();
    user += "/varn";
    return PrepareUserFolder(installed, user) ? user : executableFolder;
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

std::string NativeSeparators(std::string path) {
    return path;
}

}  // namespace platform
