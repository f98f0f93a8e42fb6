// comm_server: owns COM ports for host programs in network mode and relays their frames.
//
//   comm_server [--title TEXT] [--link-dir FOLDER] [--program-folder FOLDER]
//
// --program-folder is where dosdevices/comN links resolve (default: this program's folder); --link-dir
// replaces the per-user folder of the window link; --title replaces the window title. SIGTERM or SIGINT end
// it.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "CommServer.h"
#include "platform/ProgramFolder.h"
#include "platform/WindowLink.h"

namespace {

volatile std::sig_atomic_t g_quit = 0;

extern "C" void OnQuitSignal(int) {
    g_quit = 1;
}

void Usage() {
    std::fprintf(stderr, "usage: comm_server [--title TEXT] [--link-dir FOLDER] [--program-folder FOLDER]\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::string title = comm_server::kDefaultTitle;
    std::string linkDir;
    std::string programFolder;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--title") == 0 && hasValue) {
            title = argv[++i];
        } else if (std::strcmp(arg, "--link-dir") == 0 && hasValue) {
            linkDir = argv[++i];
        } else if (std::strcmp(arg, "--program-folder") == 0 && hasValue) {
            programFolder = argv[++i];
        } else {
            Usage();
            return 2;
        }
    }
    if (title.empty()) {
        Usage();
        return 2;
    }
    if (programFolder.empty()) programFolder = platform::ProgramFolder();
    if (!linkDir.empty()) platform::SetLinkFolderOverride(linkDir);

    std::signal(SIGTERM, OnQuitSignal);
    std::signal(SIGINT, OnQuitSignal);

    comm_server::CommServer server(title, programFolder);
    if (!server.Start()) return 1;
    while (g_quit == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        server.Housekeeping();
    }
    server.Stop();
    std::fprintf(stderr, "comm_server: stopped\n");
    return 0;
}
