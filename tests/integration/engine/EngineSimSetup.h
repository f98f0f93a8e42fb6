#pragma once
// The engine with the real ComSer against relay_sim on a pseudo-terminal reached as COM7 of a temporary
// program folder, over the shipped sample configuration.
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SrcCom/ComSer.h"
#include "config/TableLoader.h"
#include "engine/ComSerTransport.h"
#include "engine/EngineContext.h"
#include "engine/ManagementThread.h"
#include "integration/relay_sim/SimProcess.h"
#include "support/EngineRecorder.h"

namespace engine_it {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

using Recorder = test::EngineRecorder;

struct EngineOnSim : test::EngineWiring {
    static constexpr int kPort = 7;
    relaysim_test::SimProcess sim;
    std::string folder;
    com::ComSer comSer;
    engine::ComSerTransport transport{comSer};
    std::unique_ptr<engine::ManagementThread> thread;

    // `simArgs`: extra relay_sim options (for example a paced line).
    explicit EngineOnSim(const std::vector<std::string>& simArgs = {})
        : EngineWiring(relaysim_test::SampleIni()), sim(simArgs) {
        char tmpl[] = "/tmp/engine-it-XXXXXX";
        folder = mkdtemp(tmpl);
        std::filesystem::create_directories(folder + "/dosdevices");
        std::filesystem::create_symlink(sim.path(), folder + "/dosdevices/com" + std::to_string(kPort));
        comSer.SetProgramFolder(folder);
        ctx.transport = &transport;
        ctx.basicSettingsPath = folder + "/基本配置.ini";
        thread = std::make_unique<engine::ManagementThread>(ctx);
    }
    ~EngineOnSim() {
        thread.reset();
        std::filesystem::remove_all(folder);
    }

    bool Open() { return comSer.OpenPort(kPort, com::kBaudRate, com::kDataBits, 0, 0); }
};

}  // namespace engine_it
