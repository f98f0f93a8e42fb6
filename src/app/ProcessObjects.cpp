#include "app/ProcessObjects.h"

#include "config/Tables.h"

namespace app {

ProcessObjects::PointTables::PointTables() {
    config::LoadAllTables();
}

ProcessObjects::Fonts::Fonts() {
    ui::SetProcessFonts(&fonts);
}

ProcessObjects::Fonts::~Fonts() {
    ui::SetProcessFonts(nullptr);
}

ProcessObjects::ProcessObjects() = default;

ProcessObjects::~ProcessObjects() = default;

}  // namespace app
