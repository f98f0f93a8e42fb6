#include "ui/settings/SheetPdf.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "ui/common/DialogLook.h"

namespace ui {

namespace {

// Millimetres on an A4 page.
constexpr double kPageWidth = 210;
constexpr double kPageHeight = 297;
constexpr double kSideMargin = 20;
constexpr double kTopMargin = 15;
constexpr double kFootHeight = 20;  // below the last row: the page number
constexpr double kRowHeight = 7;
constexpr int kResolution = 300;  // dots per inch
// Share of the text width for 序号, name and value.
constexpr double kColumnShare[] = {0.14, 0.56, 0.30};

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

class PagePainter {
  public:
    explicit PagePainter(QPainter& painter) : p_(painter) {}

    double Dots(double mm) const { return mm / 25.4 * kResolution; }
    QRectF Rect(double x, double y, double w, double h) const {
        return QRectF(Dots(x), Dots(y), Dots(w), Dots(h));
    }

    void SetFont(int points, bool bold) {
        QFont font = DialogFont(points);
        font.setBold(bold);
        p_.setFont(font);
    }

    void Line(const SheetLine& line, double top) {
        const double width = kPageWidth - 2 * kSideMargin;
        const double height = SheetLineRows(line.kind) * kRowHeight;
        switch (line.kind) {
            case SheetLine::Kind::Title:
                SetFont(18, true);
                p_.drawText(Rect(kSideMargin, top, width, height), Qt::AlignCenter, Qs(line.cells.at(0)));
                break;
            case SheetLine::Kind::Info:
                SetFont(10, false);
                p_.drawText(Rect(kSideMargin, top, width, height), Qt::AlignLeft | Qt::AlignVCenter,
                            Qs(line.cells.at(0)));
                break;
            case SheetLine::Kind::Heading:
                SetFont(12, true);
                // The lower half of its two rows, so a gap stays above it.
                p_.drawText(Rect(kSideMargin, top + kRowHeight, width, kRowHeight),
                            Qt::AlignLeft | Qt::AlignVCenter, Qs(line.cells.at(0)));
                break;
            case SheetLine::Kind::TableHead:
                p_.fillRect(Rect(kSideMargin, top, width, height), QColor(225, 225, 225));
                SetFont(10, true);
                Cells(line, top, height);
                break;
            case SheetLine::Kind::Row:
                SetFont(10, false);
                Cells(line, top, height);
                break;
            case SheetLine::Kind::Signature:
                Signatures(line, top + kRowHeight * 2, width);
                break;
        }
    }

    void PageNumber(const std::string& text) {
        SetFont(9, false);
        const double top = kPageHeight - kFootHeight + 6;
        p_.drawText(Rect(kSideMargin, top, kPageWidth - 2 * kSideMargin, kRowHeight), Qt::AlignCenter,
                    Qs(text));
    }

  private:
    void Cells(const SheetLine& line, double top, double height) {
        p_.setPen(QPen(Qt::black, Dots(0.2)));
        double x = kSideMargin;
        for (std::size_t c = 0; c < 3 && c < line.cells.size(); ++c) {
            const double w = (kPageWidth - 2 * kSideMargin) * kColumnShare[c];
            const QRectF cell = Rect(x, top, w, height);
            p_.drawRect(cell);
            const Qt::Alignment align = (c == 1 ? Qt::AlignLeft : Qt::AlignCenter) | Qt::AlignVCenter;
            p_.drawText(cell.adjusted(Dots(1.5), 0, -Dots(1.5), 0), align, Qs(line.cells[c]));
            x += w;
        }
    }

    // Each label with a line to sign on after it, side by side.
    void Signatures(const SheetLine& line, double top, double width) {
        SetFont(10, false);
        p_.setPen(QPen(Qt::black, Dots(0.2)));
        const double each = width / static_cast<double>(line.cells.size());
        for (std::size_t c = 0; c < line.cells.size(); ++c) {
            const double x = kSideMargin + each * static_cast<double>(c);
            const QRectF label = Rect(x, top, each, kRowHeight);
            QRectF used;
            p_.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, Qs(line.cells[c]), &used);
            const double base = label.bottom() - Dots(1);
            p_.drawLine(QPointF(used.right(), base), QPointF(label.right() - Dots(4), base));
        }
    }

    QPainter& p_;
};

}  // namespace

int SheetRowsPerPage() {
    return static_cast<int>((kPageHeight - kTopMargin - kFootHeight) / kRowHeight);
}

QByteArray RenderSheetPdf(const std::vector<std::vector<SheetLine>>& pages) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return {};
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QString::fromUtf8(kSheetTitle));
        writer.setCreator(QStringLiteral("VARN"));
        writer.setResolution(kResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&writer)) return {};
        PagePainter page(painter);
        const int count = static_cast<int>(pages.size());
        for (int n = 0; n < count; ++n) {
            if (n > 0) writer.newPage();
            double top = kTopMargin;
            for (const SheetLine& line : pages[static_cast<std::size_t>(n)]) {
                page.Line(line, top);
                top += SheetLineRows(line.kind) * kRowHeight;
            }
            page.PageNumber(SheetPageNumber(n + 1, count));
        }
        painter.end();
    }
    return bytes;
}

}  // namespace ui
