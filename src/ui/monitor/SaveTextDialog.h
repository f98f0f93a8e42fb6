#pragma once
// The save dialog of the saved monitor and event texts: a text file (*.txt) in the given folder.
#include <QString>
#include <optional>

class QWidget;

namespace ui {

// The chosen path, or nothing when the operator cancelled.
std::optional<QString> AskSaveFileName(QWidget* parent, const QString& title, const QString& folder,
                                       const QString& name);

}  // namespace ui
