#pragma once
// The one in-place text editor of the process, opened over a cell of a ComboListCtrl and reused for every
// edit. Losing the keyboard focus ends the edit; Enter accepts, Esc cancels (the starting text is reported).
#include <QLineEdit>
#include <QPointer>

namespace combolist {

class ComboListCtrl;

class InPlaceEdit : public QLineEdit {
    Q_OBJECT
  public:
    static InPlaceEdit* GetInstance();
    static void DeleteInstance();
    static bool Exists();

    // Shows the editor over `rect` of `list`'s viewport with `text`, all of it selected, and focuses it.
    void Open(ComboListCtrl* list, const QRect& rect, int row, int column, const QString& text);
    bool Editing() const { return editing_; }
    int Row() const { return row_; }
    int Column() const { return column_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    InPlaceEdit();
    void EndEdit();

    QPointer<ComboListCtrl> list_;
    int row_ = -1;
    int column_ = -1;
    bool cancelled_ = false;
    bool editing_ = false;
    QString startText_;
};

}  // namespace combolist
