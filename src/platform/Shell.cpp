#include "platform/Shell.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace platform {
namespace {

// The first executable `name` on PATH, or "".
std::string FindOnPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (;;) {
        const std::size_t colon = rest.find(':');
        std::string folder(rest.substr(0, colon));
        if (folder.empty()) folder = ".";
        std::string candidate = folder + "/" + std::string(name);
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string_view::npos) return {};
        rest.remove_prefix(colon + 1);
    }
}

// Starts `program` with `arguments` and does not wait for it: a short-lived child starts it in a session of
// its own and ends at once, so nothing is left for this process to reap.
void StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        ::setsid();
        if (::fork() == 0) {
            ::execv(program.c_str(), argv.data());
        }
        ::_exit(0);
    }
    if (child > 0) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    std::vector<char> buffer(4096);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) return path;
    return std::string(buffer.data()) + "/" + path;
}

}  // namespace

void OpenDocument(const std::string& path) {
    const std::string opener = FindOnPath("xdg-open");
    if (!opener.empty()) StartDetached(opener, {FileUrl(Absolute(path))});
}

void OpenInTextEditor(const std::string& path) {
    static const char* const kEditors[] = {"gnome-text-editor", "gedit",  "kate", "mousepad", "pluma", "xed",
                                           "featherpad",        "leafpad"};
    std::vector<std::string> arguments;
    if (!path.empty()) arguments.push_back(path);
    for (const char* editor : kEditors) {
        const std::string program = FindOnPath(editor);
        if (!program.empty()) {
            StartDetached(program, arguments);
            return;
        }
    }
    // No editor known by name: the desktop's opener, which needs a file.
    if (path.empty()) return;
    const std::string opener = FindOnPath("xdg-open");
    if (!opener.empty()) StartDetached(opener, arguments);
}

bool AnimateHideWindow(std::uintptr_t, std::chrono::milliseconds) {
    return false;  // X11 and Wayland leave fading to the toolkit
}

}  // namespace platform
