#pragma once
// The plain main dialog the program runs after the start window until the main window takes its place: the
// main window's frame, initial title and icon, with nothing in it.
#include <QDialog>

namespace app {

inline constexpr const char* kMainWindowInitialTitle = "OrlinV1.63 - VARN - 通讯状态未知";

class MainDialogPlaceholder : public QDialog {
    Q_OBJECT
  public:
    explicit MainDialogPlaceholder(QWidget* parent = nullptr);
};

}  // namespace app
