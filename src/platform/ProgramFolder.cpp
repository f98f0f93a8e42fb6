#include "platform/ProgramFolder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <system_error>

#include "platform/RegularFile.h"

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

// The shipped configuration files are a few kilobytes; anything far larger is not one of them.
constexpr std::size_t kMaxShippedFileBytes = 16u << 20;

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

// Copies `from` to `to` unless `to` exists. The copy is made new under a temporary name (never through a
// link planted there, with the permissions the umask leaves of 0666) and then linked in under its name, so an
// interrupted copy leaves no half-written configuration behind and a file that appeared meanwhile is kept.
void CopyIfAbsent(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec))) return;
    std::string bytes;
    if (ReadRegularFile(from.string(), kMaxShippedFileBytes, bytes) != FileRead::Ok) return;
    fs::path partial = to;
    partial += ".part";
    ::unlink(partial.c_str());  // a leftover of an interrupted start, or a link someone put there
    const int fd =
        ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return;
    std::string_view rest = bytes;
    bool ok = true;
    while (ok && !rest.empty()) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) rest.remove_prefix(static_cast<std::size_t>(n));
    }
    ok = ::close(fd) == 0 && ok;
    // link() never replaces: a file that took the name meanwhile stays, and this copy goes.
    if (ok && ::link(partial.c_str(), to.c_str()) != 0) ok = false;
    ::unlink(partial.c_str());
}

// Why `folder` cannot serve as a program folder, or empty when it can: it must be a real folder of this user
// that the user may write.
std::string FolderProblem(const fs::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        switch (errno) {
            case EACCES:
            case EPERM:
                return "无法创建：没有权限";
            case ENOTDIR:
                return "无法创建：路径上有文件";
            case ENOSPC:
                return "无法创建：磁盘已满";
            case EROFS:
                return "无法创建：只读文件系统";
            default:
                return std::string("无法创建：") + std::strerror(errno);
        }
    }
    if (!S_ISDIR(info.st_mode)) return "它不是文件夹";
    if (info.st_uid != ::geteuid()) return "它属于另一个用户";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return "没有写入权限";
    return {};
}

// Brings the user's folder up to date; returns why it cannot be used, or empty.
std::string PrepareUserFolder(const fs::path& installed, const fs::path& user) {
    std::error_code ec;
    fs::create_directories(user, ec);
    if (std::string problem = FolderProblem(user); !problem.empty()) return problem;
    for (const char* folder : {"配置文件", "运行记录", "报文存档", "项目存档", "信息导出", "帮助文件"}) {
        fs::create_directory(user / folder, ec);
        if (std::string problem = FolderProblem(user / folder); !problem.empty()) {
            return std::string(folder) + "：" + problem;
        }
    }
    for (fs::directory_iterator it(installed / "配置文件", ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec)) CopyIfAbsent(it->path(), user / "配置文件" / it->path().filename());
    }
    // A link rather than a copy, so the document follows the installed program's upgrades.
    const fs::path help = user / "帮助文件" / "help.pdf";
    if (!fs::exists(fs::symlink_status(help, ec)) && fs::exists(installed / "帮助文件" / "help.pdf", ec)) {
        fs::create_symlink(installed / "帮助文件" / "help.pdf", help, ec);
    }
    return {};
}

std::string& UnusableFolderText() {
    static std::string text;
    return text;
}

}  // namespace

ProgramFolderChoice ChooseProgramFolder(const std::string& executableFolder) {
    std::error_code ec;
    const fs::path installed = executableFolder.empty() ? fs::path("/") : fs::path(executableFolder);
    if (!fs::exists(installed / kPerUserMarker, ec)) return {executableFolder, {}};
    const std::string data = UserDataFolder();
    if (data.empty()) {
        return {executableFolder, "找不到用户的主文件夹，程序改用 " + executableFolder +
                                      "：运行记录、导出和保存的文件可能无法写入。"};
    }
    std::string user = data;
    while (user.size() > 1 && user.back() == '/') user.pop_back();
    user += "/varn";
    const std::string problem = PrepareUserFolder(installed, user);
    if (problem.empty()) return {user, {}};
    return {executableFolder, "个人程序文件夹 " + user + " 无法使用（" + problem + "），程序改用 " +
                                  executableFolder + "：运行记录、导出和保存的文件可能无法写入。"};
}

std::string ProgramFolderFor(const std::string& executableFolder) {
    return ChooseProgramFolder(executableFolder).folder;
}

std::string UnusableUserFolderText() {
    ProgramFolder();
    std::lock_guard lock(FolderMutex());
    return UnusableFolderText();
}

const std::string& ProgramFolder() {
    std::lock_guard lock(FolderMutex());
    if (!Known()) {
        ProgramFolderChoice choice = ChooseProgramFolder(ExecutableFolder());
        Folder() = std::move(choice.folder);
        UnusableFolderText() = std::move(choice.problem);
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
