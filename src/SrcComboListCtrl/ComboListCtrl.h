#pragma once
// A report list (grid lines, whole-row selection) whose cells are edited in place: a click on an editable
// cell opens the shared text editor, or for a choice cell the shared drop-down, exactly over the cell. The
// list stores nothing about values: it asks its owner for a drop-down's items and reports every ended edit,
// cancelled ones included; the owner decides what to store and what the cell shows.
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <set>
#include <vector>

namespace combolist {

class ComboListCtrl;
class InPlaceCombo;
class InPlaceEdit;

// Message numbers of the two owner calls, kept for reference by code that logs or routes them.
inline constexpr int UM_CELL_CHOICES = 0x83FC;
inline constexpr int UM_CELL_EDITED = 0x83FD;

// What an ended edit reports: the cell and the editor's text, or the starting text when it was cancelled.
// `startText` is the cell's text when the edit began; the cell may show another one by now if the owner
// refilled the list while the editor was open.
struct CellEditRecord {
    ComboListCtrl* list = nullptr;
    int controlId = 0;
    int row = -1;
    int column = -1;
    QString text;
    QString startText;
};

// The list's owner; both calls are synchronous and made on the UI thread.
class ComboListOwner {
  public:
    virtual ~ComboListOwner() = default;
    // UM_CELL_CHOICES: fill `items` with what the drop-down of cell `key` (column x 65536 + row) offers.
    virtual void OnCellChoices(ComboListCtrl& list, int key, QStringList& items) = 0;
    // UM_CELL_EDITED: an edit has ended.
    virtual void OnCellEdited(const CellEditRecord& record) = 0;
};

class ComboListCtrl : public QTableWidget {
    Q_OBJECT
  public:
    explicit ComboListCtrl(QWidget* parent = nullptr);
    ~ComboListCtrl() override;

    void SetOwner(ComboListOwner* owner, int controlId);
    int ControlId() const { return controlId_; }
    void SetInPlaceEditing(bool on) { inPlaceEditing_ = on; }

    void SetReadOnlyColumn(int column, bool on);
    bool IsReadOnlyColumn(int column) const;
    void SetChoiceCell(int column, int row, bool on);
    bool IsChoiceCell(int column, int row) const;

    // The cell under `point` (viewport coordinates); false outside every cell.
    bool HitTestCell(const QPoint& point, int& row, int& column) const;
    // The cell's rectangle in viewport coordinates, after scrolling the list sideways to bring it into view.
    QRect GetCellRect(int column, int row);

    // Open the drop-down over the cell; nullptr when the row cannot be shown or the column is narrower than
    // 10 pixels. With selection -1 the starting text is `text`, else the text of that item.
    InPlaceCombo* ShowInPlaceCombo(int row, int column, const QStringList& items, const QString& text,
                                   int selection);
    InPlaceEdit* ShowInPlaceEdit(int row, int column, const QString& text);

    // Report rows: texts of cells (created on demand; never editable by the view itself).
    QString CellText(int row, int column) const;
    void SetCellText(int row, int column, const QString& text);
    void AppendRow(const QStringList& texts);

    // Called by the editors when an edit ends.
    void EditEnded(int row, int column, const QString& text, const QString& startText);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void FitRowHeight();
    bool EditorOpen() const;

    ComboListOwner* owner_ = nullptr;
    int controlId_ = 0;
    bool inPlaceEditing_ = true;
    std::vector<int> readOnlyColumns_;
    std::set<int> choiceCells_;
};

}  // namespace combolist
