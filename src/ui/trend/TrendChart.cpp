#include "ui/trend/TrendChart.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/ValueFormat.h"
#include "trend/MinMaxColumns.h"

namespace ui {
namespace {

constexpr int kLeftMargin = 64;
constexpr int kRightMargin = 12;
constexpr int kTopMargin = 10;
constexpr int kBottomMargin = 26;
constexpr std::int64_t kReadoutMaxAgeMs = 5000;
constexpr char kSoePrefix[] = "SOE发生";
// Values further apart than this are not joined: nothing was polled between them.
constexpr std::int64_t kMaxJoinMs = 5000;

QString Qs(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString ValueText(double v, double step) {
    const int decimals = step >= 1 ? 0 : std::min(6, static_cast<int>(std::ceil(-std::log10(step))));
    return QString::number(v, 'f', decimals);
}

}  // namespace

TrendChart::TrendChart(TrendData& data, QWidget* parent) : QWidget(parent), data_(data) {
    setMouseTracking(true);
    setMinimumSize(480, 260);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TrendChart::SetCurves(std::vector<TrendCurve> curves) {
    curves_ = std::move(curves);
    dirty_ = true;
    UpdateReadout();
}

QRect TrendChart::PlotRect() const {
    return QRect(kLeftMargin, kTopMargin, std::max(1, width() - kLeftMargin - kRightMargin),
                 std::max(1, height() - kTopMargin - kBottomMargin));
}

std::int64_t TrendChart::TimeAtX(int x, trend::TimeRange range) const {
    const QRect plot = PlotRect();
    const double share = static_cast<double>(x - plot.left()) / plot.width();
    return range.fromMs +
           static_cast<std::int64_t>(std::llround(share * static_cast<double>(range.Length())));
}

void TrendChart::Tick() {
    if (state_.Live()) {
        // A wide span moves by less than a column per tick: it is redrawn once a column's worth has passed.
        const std::int64_t now = data_.NowMs();
        const std::int64_t columnMs = state_.SpanMs() / PlotRect().width();
        if (now - lastLivePaintMs_ >= columnMs) {
            dirty_ = true;
            if (cursorX_) UpdateReadout();
        }
    }
    if (dirty_) update();
}

void TrendChart::NoteLive() {
    if (state_.Live() == wasLive_) return;
    wasLive_ = state_.Live();
    emit LiveChanged(wasLive_);
}

void TrendChart::paintEvent(QPaintEvent*) {
    ++redraws_;
    dirty_ = false;
    const std::int64_t now = data_.NowMs();
    lastLivePaintMs_ = now;
    const trend::TimeRange range = state_.Visible(now);
    const QRect plot = PlotRect();

    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.fillRect(plot, Qt::white);

    // Columns of every curve, and the value range they need.
    struct Drawn {
        std::vector<trend::Column> columns;
        std::vector<bool> gaps;
    };
    std::vector<Drawn> drawn(curves_.size());
    std::optional<double> lowest, highest;
    for (std::size_t i = 0; i < curves_.size(); ++i) {
        drawn[i].columns = data_.Columns(range, curves_[i].point, plot.width(), drawn[i].gaps);
        for (const trend::Column& c : drawn[i].columns) {
            if (!c) continue;
            lowest = lowest ? std::min<double>(*lowest, c->min) : c->min;
            highest = highest ? std::max<double>(*highest, c->max) : c->max;
        }
    }
    const ValueAxis axis = NiceValueAxis(lowest, highest, std::max(2, plot.height() / 40));
    const auto yOf = [&](double v) {
        return plot.bottom() - (v - axis.min) / (axis.max - axis.min) * (plot.height() - 1);
    };

    // Grid and axes.
    const QColor grid(225, 225, 225);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    for (double v = axis.min; v <= axis.max + axis.step / 2; v += axis.step) {
        const int y = static_cast<int>(std::lround(yOf(v)));
        painter.setPen(grid);
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(0, y - metrics.height() / 2, kLeftMargin - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, ValueText(v, axis.step));
    }
    const int maxTicks =
        std::max(1, plot.width() / (metrics.horizontalAdvance(QStringLiteral("00-00 00:00")) + 24));
    for (std::int64_t t : TimeTicks(range, maxTicks)) {
        const int x = plot.left() + static_cast<int>((t - range.fromMs) * plot.width() / range.Length());
        painter.setPen(grid);
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(palette().color(QPalette::WindowText));
        const QString text = Qs(TimeTickText(t, range.Length()));
        const int w = metrics.horizontalAdvance(text) + 4;
        const int left = std::clamp(x - w / 2, 0, std::max(0, width() - w));
        painter.drawText(QRect(left, plot.bottom() + 4, w, metrics.height()), Qt::AlignCenter, text);
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));

    // Marks: telesignal changes dark red, SOE records purple, their text along the line.
    painter.save();
    painter.setClipRect(plot);
    QFont small = font();
    small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.85));
    painter.setFont(small);
    // Marks closer than a line of text show only the first one's text; the read-out lists them all.
    const int textPitch = QFontMetrics(small).height();
    int lastTextX = std::numeric_limits<int>::min() / 2;
    for (const trend::Mark& mark : data_.Marks(range)) {
        const int x = plot.left() +
                      static_cast<int>((mark.msSinceEpoch - range.fromMs) * plot.width() / range.Length());
        const bool withText = x - lastTextX >= textPitch;
        if (withText) lastTextX = x;
        const bool soe = mark.text.starts_with(kSoePrefix);
        const QColor colour = soe ? QColor(128, 0, 160) : QColor(170, 0, 0);
        painter.setPen(QPen(colour, 1, Qt::DashLine));
        painter.drawLine(x, plot.top(), x, plot.bottom());
        if (!withText) continue;
        painter.save();
        painter.translate(x + 2, plot.top() + 4);
        painter.rotate(90);
        painter.setPen(colour);
        painter.drawText(0, 0, Qs(mark.text));
        painter.restore();
    }

    // Curves: per column a stroke from its minimum to its maximum, joined to the next column unless a gap
    // lies between.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const double maxJoinColumns =
        static_cast<double>(kMaxJoinMs) * plot.width() / static_cast<double>(range.Length());
    for (std::size_t i = 0; i < curves_.size(); ++i) {
        // A one-pixel cosmetic pen: the raster engine draws it, dashes too, without stroking a path.
        QPen pen(curves_[i].colour, 1, curves_[i].style);
        pen.setCosmetic(true);
        painter.setPen(pen);
        std::vector<QPointF> line;
        const auto flush = [&painter, &line] {
            if (line.size() > 1) painter.drawPolyline(line.data(), static_cast<int>(line.size()));
            line.clear();
        };
        bool open = false;
        double lastY = 0;
        std::size_t lastColumn = 0;
        const auto& columns = drawn[i].columns;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (drawn[i].gaps[c] && !columns[c]) open = false;
            if (!columns[c]) continue;
            if (open && static_cast<double>(c - lastColumn) > maxJoinColumns + 1) open = false;
            lastColumn = c;
            const double x = plot.left() + static_cast<double>(c) + 0.5;
            const double yMin = yOf(columns[c]->min);
            const double yMax = yOf(columns[c]->max);
            // Enter the column at the end nearer the previous one, so the stroke does not zigzag.
            const bool downward = open && std::fabs(lastY - yMax) < std::fabs(lastY - yMin);
            const double first = downward ? yMax : yMin;
            const double second = downward ? yMin : yMax;
            if (!open) flush();
            line.emplace_back(x, first);
            line.emplace_back(x, second);
            lastY = second;
            open = !drawn[i].gaps[c];
        }
        flush();
    }

    if (cursorX_ && plot.contains(*cursorX_, plot.center().y())) {
        painter.setPen(QPen(QColor(60, 60, 60), 1, Qt::DotLine));
        painter.drawLine(*cursorX_, plot.top(), *cursorX_, plot.bottom());
    }
    painter.restore();
}

void TrendChart::UpdateReadout() {
    QString text;
    if (cursorX_) {
        const std::int64_t now = data_.NowMs();
        const trend::TimeRange range = state_.Visible(now);
        const std::int64_t t = TimeAtX(*cursorX_, range);
        text = Qs(ReadoutTimeText(t));
        for (const TrendCurve& curve : curves_) {
            const auto samples = data_.Samples(trend::TimeRange{t - kReadoutMaxAgeMs, t + 1}, curve.point);
            const std::optional<float> v = ValueAt(samples, t, kReadoutMaxAgeMs);
            text += QStringLiteral("  ") + curve.name + QStringLiteral("=") +
                    (v ? Qs(engine::FormatYcValue(*v, curve.cc2)) : QString());
        }
        // Marks within three pixels of the cursor.
        const std::int64_t near = 3 * range.Length() / PlotRect().width() + 1;
        for (const trend::Mark& mark : data_.Marks(trend::TimeRange{t - near, t + near}))
            text += QStringLiteral("  ") + Qs(ReadoutTimeText(mark.msSinceEpoch)) + QStringLiteral(" ") +
                    Qs(mark.text);
    }
    if (text == readout_) return;
    readout_ = text;
    emit ReadoutChanged(readout_);
}

void TrendChart::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) return;
    const std::int64_t now = data_.NowMs();
    const std::int64_t anchor = TimeAtX(static_cast<int>(event->position().x()), state_.Visible(now));
    state_.Zoom(delta > 0 ? 0.8 : 1.25, anchor, now);
    NoteLive();
    dirty_ = true;
    UpdateReadout();
    event->accept();
}

void TrendChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragX_ = static_cast<int>(event->position().x());
    QWidget::mousePressEvent(event);
}

void TrendChart::mouseMoveEvent(QMouseEvent* event) {
    const int x = static_cast<int>(event->position().x());
    if (dragX_ && (event->buttons() & Qt::LeftButton)) {
        const std::int64_t now = data_.NowMs();
        const std::int64_t span = state_.Visible(now).Length();
        state_.Pan(-static_cast<std::int64_t>(x - *dragX_) * span / PlotRect().width(), now);
        dragX_ = x;
        NoteLive();
    }
    cursorX_ = x;
    dirty_ = true;
    UpdateReadout();
}

void TrendChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragX_.reset();
    QWidget::mouseReleaseEvent(event);
}

void TrendChart::leaveEvent(QEvent* event) {
    cursorX_.reset();
    dirty_ = true;
    UpdateReadout();
    QWidget::leaveEvent(event);
}

}  // namespace ui
