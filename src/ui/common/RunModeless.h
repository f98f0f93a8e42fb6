#pragma once
// Runs a dialog until it ends without making it modal.
class QDialog;

namespace ui {

// Shows `dialog` and processes events until it is done, then returns its result, like QDialog::exec(), but
// the dialog blocks no other window: the windows the operator opens beside it (the settings window, the
// communication monitor) keep taking mouse and keyboard input while it runs. Modal dialogs opened from it
// are modal as usual.
int RunModeless(QDialog& dialog);

}  // namespace ui
