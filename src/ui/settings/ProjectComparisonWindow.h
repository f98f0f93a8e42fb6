#pragma once
// The window of 比较项目文件: the values that differ between the settings window's tables and a project
// file, side by side. One per settings window, filled again by every comparison; closing hides it.
#include <QDialog>

#include "ui/settings/ProjectCommands.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace ui {

class ProjectComparisonWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ProjectComparisonWindow(QWidget* parent = nullptr);

    // Fills the window with `result` (at least one difference) and shows it.
    void ShowComparison(const ProjectComparisonResult& result);

    QLabel* Summary() const { return summary_; }
    QTableWidget* Table() const { return table_; }

  private:
    QLabel* summary_;
    QTableWidget* table_;
    QPushButton* close_;
};

}  // namespace ui
