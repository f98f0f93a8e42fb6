#pragma once
// The one in-place drop-down of the process: the operator picks one of the offered texts, never types one.
// Losing the keyboard focus ends the edit, and so does closing the dropped list, Enter or Esc. An edit in
// which no item was picked reports the starting text, so opening and leaving a cell changes nothing.
#include <QComboBox>
#include <QPointer>
#include <QStringList>

namespace combolist {

class ComboListCtrl;

class InPlaceCombo : public QComboBox {
    Q_OBJECT
  public:
    static InPlaceCombo* GetInstance();
    static void DeleteInstance();
    static bool Exists();

    // `cellRect` is the cell; `dropDownRect` the cell extended by the rows the dropped list may cover.
    void Open(ComboListCtrl* list, const QRect& cellRect, const QRect& dropDownRect, int row, int column,
              const QStringList& items, const QString& text, int selection);
    // Preselects the item equal to `text`, else the first item beginning with it (letter case ignored).
    void SelectForText(const QString& text);

    bool Editing() const { return editing_; }
    int Row() const { return row_; }
    int Column() const { return column_; }
    QRect DropDownRect() const { return dropDownRect_; }

    void hidePopup() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    InPlaceCombo();
    void EndEdit();
    void ReturnFocusToList();

    QPointer<ComboListCtrl> list_;
    int row_ = -1;
    int column_ = -1;
    bool cancelled_ = false;
    bool editing_ = false;
    bool picked_ = false;
    QString startText_;
    QRect dropDownRect_;
};

}  // namespace combolist
