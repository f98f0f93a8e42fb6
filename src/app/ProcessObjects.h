#pragma once
// The objects that exist for the whole run. They are built after the application object (a local of main) in
// this order and destroyed in the reverse order when main returns.
#include "SrcCom/ComSer.h"
#include "ui/common/ProcessFonts.h"

namespace app {

class ProcessObjects {
  public:
    ProcessObjects();
    ~ProcessObjects();
    ProcessObjects(const ProcessObjects&) = delete;
    ProcessObjects& operator=(const ProcessObjects&) = delete;

    com::ComSer& ComSerObject() { return comSer_; }

  private:
    // Loads the four point tables from 配置文件/VARN.ini while it is constructed.
    struct PointTables {
        PointTables();
    };
    // Makes the fonts reachable for the main window while they exist.
    struct Fonts {
        Fonts();
        ~Fonts();
        ui::ProcessFonts fonts;
    };

    // The serial-port object; its construction starts its read thread. The program folder text comes next;
    // platform::ProgramFolder() keeps it and the table loading determines it on first use.
    com::ComSer comSer_;
    PointTables tables_;
    // --- EVENT RECORD WINDOW OBJECT: the event record window, reused for every opening, goes here once it
    // exists.
    Fonts fonts_;
};

}  // namespace app
