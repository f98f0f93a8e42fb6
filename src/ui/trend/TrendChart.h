#pragma once
// The trend's chart, drawn with QPainter: the visible span of every shown curve decimated to one minimum and
// maximum per pixel column, a time axis of PC time, one value axis, the marks of telesignal changes and SOE
// records, and the cursor's line. The wheel zooms about the cursor, a drag pans, and redraws come at most
// every kRedrawIntervalMs from Tick().
#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "trend/TrendSample.h"
#include "ui/trend/TrendViewState.h"

namespace ui {

// Where the chart's data come from.
class TrendData {
  public:
    virtual ~TrendData() = default;
    virtual std::int64_t NowMs() const = 0;
    virtual std::vector<trend::Column> Columns(trend::TimeRange range, int point, int columns,
                                               std::vector<bool>& gapColumns) = 0;
    virtual std::vector<trend::Sample> Samples(trend::TimeRange range, int point) = 0;
    virtual std::vector<trend::Mark> Marks(trend::TimeRange range) = 0;
};

struct TrendCurve {
    int point = 0;
    QString name;
    QColor colour;
    Qt::PenStyle style = Qt::SolidLine;
    std::uint16_t cc2 = 0;  // the value's decimals, as the main window shows it
};

class TrendChart : public QWidget {
    Q_OBJECT
  public:
    TrendChart(TrendData& data, QWidget* parent = nullptr);

    void SetCurves(std::vector<TrendCurve> curves);
    const std::vector<TrendCurve>& Curves() const { return curves_; }
    TrendViewState& State() { return state_; }
    // Called every kRedrawIntervalMs: redraws when following live or when something changed.
    void Tick();
    // Redraws at the next tick.
    void Changed() { dirty_ = true; }
    int Redraws() const { return redraws_; }
    QString Readout() const { return readout_; }
    // Where the plot lies in the widget.
    QRect PlotRect() const;

  signals:
    void ReadoutChanged(const QString& text);
    void LiveChanged(bool live);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    std::int64_t TimeAtX(int x, trend::TimeRange range) const;
    void UpdateReadout();
    void NoteLive();

    TrendData& data_;
    std::vector<TrendCurve> curves_;
    TrendViewState state_;
    bool dirty_ = true;
    int redraws_ = 0;
    std::int64_t lastLivePaintMs_ = 0;
    std::optional<int> cursorX_;
    std::optional<int> dragX_;
    QString readout_;
    bool wasLive_ = true;
};

}  // namespace ui
