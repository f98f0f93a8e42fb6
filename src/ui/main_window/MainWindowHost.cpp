#include "ui/main_window/MainWindowHost.h"

namespace ui {

MainWindowHost::MainWindowHost(com::ComSer& comSer) : transport_(comSer) {
    ctx_.state = &state_;
    ctx_.transport = &transport_;
    ctx_.UseProcessDefaults();
    window_ = std::make_unique<MainWindow>(ctx_, &comSer);
}

}  // namespace ui
