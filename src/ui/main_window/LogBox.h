#pragma once
// The main window's log box: a multi-line text that always receives entries at its end. Before an entry is
// appended to a text of 9,000,000 characters or more, its first 15,000 characters are cut, so the box never
// grows without bound. Measuring, cutting and appending happen in one call on the UI thread.
#include <QPlainTextEdit>

namespace ui {

class LogBox : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit LogBox(QWidget* parent = nullptr);

    // Appends one entry (its CR LF ends the line) and shows the end of the text.
    void AppendEntry(const QString& entry);

    // Characters in the box; a line end counts as one.
    qsizetype Length() const;
};

}  // namespace ui
