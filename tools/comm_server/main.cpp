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
#include <string>
#include <thread>
#include <vector>

#include "CommServer.h"
#include "platform/CommandLine.h"
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
    const std::vector<std::string> args = platform::CommandLineArguments(argc, argv);
    const std::size_t count = args.size();
    for (std::size_t i = 1; i < count; ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < count;
        if (arg == "--title" && hasValue) {
            title = args[++i];
        } else if (arg == "--link-dir" && hasValue) {
            linkDir = args[++i];
        } else if (arg == "--program-folder" && hasValue) {
            programFolder = args[++i];
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
