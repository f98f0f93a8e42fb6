#include "app/MainDialogPlaceholder.h"

#include "resources/Pictures.h"
#include "ui/common/DialogLook.h"
#include "ui/common/DialogUnits.h"

namespace app {

MainDialogPlaceholder::MainDialogPlaceholder(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QString::fromUtf8(kMainWindowInitialTitle));
    setWindowIcon(ui::ResourceIcon(res::kIconProgram));
    setFont(ui::DialogFont());
    // The main window is a fixed 680 x 399 dialog units in the dialog font.
    setFixedSize(ui::DialogUnits::FromFont(font()).ToPixels({680, 399}));
}

}  // namespace app
