#pragma once
// The main window with the engine state and context it runs on, over the program's ComSer and the
// process-wide tables, log and sounds. The start-up creates one, runs Window() modally and destroys it.
#include <memory>

#include "engine/ComSerTransport.h"
#include "engine/EngineContext.h"
#include "engine/EngineState.h"
#include "ui/main_window/MainWindow.h"

namespace ui {

class MainWindowHost {
  public:
    explicit MainWindowHost(com::ComSer& comSer);
    MainWindowHost(const MainWindowHost&) = delete;
    MainWindowHost& operator=(const MainWindowHost&) = delete;

    MainWindow& Window() { return *window_; }
    engine::EngineContext& Context() { return ctx_; }

  private:
    engine::EngineState state_;
    engine::ComSerTransport transport_;
    engine::EngineContext ctx_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace ui
