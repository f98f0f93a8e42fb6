#pragma once
// 遥测趋势: the modeless trend window. The list of the telemetry points (their VARN.ini names, each in its
// curve's colour) turns curves on and off; the chart follows live or is paused, with a button back to live;
// the shown span and curves are exported as a workbook and as a picture into 信息导出. Spans older than the
// recording of this run come from the day files in 运行记录.
#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "trend/TrendStore.h"
#include "ui/trend/TrendChart.h"
#include "ui/trend/TrendViewState.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTimer;

namespace ui {

struct TrendPoint {
    std::string name;     // UTF-8
    std::string gbkName;  // as VARN.ini holds it: the day files' column names
    CurveRgb colour;
    std::uint16_t cc2 = 0;
};

class DlgTrend : public QDialog, private TrendData {
    Q_OBJECT
  public:
    // `nowMs` gives the PC's local time (trend::ToMs); `programFolder` holds 运行记录 and 信息导出.
    DlgTrend(const trend::TrendStore& store, std::vector<TrendPoint> points, std::string programFolder,
             std::function<std::int64_t()> nowMs, QWidget* parent = nullptr);
    ~DlgTrend() override;

    // Shows the curve of `point` (among the others shown) and follows live.
    void ShowPoint(int point);
    TrendChart& Chart() { return *chart_; }
    QListWidget& PointList() { return *list_; }

    // The shown span's workbook and picture; the path written or an empty string (the error in `error`).
    std::string ExportWorkbook(std::string& error);
    std::string ExportPicture(std::string& error);

    // What the export's question answers: the path to open. Replaced by tests.
    std::function<bool(const std::string& question)> askOpen;
    std::function<void(const std::string& text)> showError;

  private:
    std::int64_t NowMs() const override { return nowMs_(); }
    std::vector<trend::Column> Columns(trend::TimeRange range, int point, int columns,
                                       std::vector<bool>& gapColumns) override;
    std::vector<trend::Sample> Samples(trend::TimeRange range, int point) override;
    std::vector<trend::Mark> Marks(trend::TimeRange range) override { return store_.Marks(range); }

    // The day files' samples before the recording's start, loaded for whole days once.
    const std::vector<trend::Sample>& History(int point, trend::TimeRange range);
    void UpdateCurves();
    void UpdateButtons();
    void Export(bool picture);

    const trend::TrendStore& store_;
    std::vector<TrendPoint> points_;
    std::string programFolder_;
    std::function<std::int64_t()> nowMs_;
    TrendChart* chart_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* readout_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* live_ = nullptr;
    QTimer* timer_ = nullptr;
    std::vector<std::vector<trend::Sample>> history_;
    std::int64_t historyFromMs_ = 0;
    std::int64_t historyToMs_ = 0;
    bool historyLoaded_ = false;
};

// The one trend window of `parent`, created on first use, showing `point`.
DlgTrend* ShowTrendWindow(const trend::TrendStore& store, std::vector<TrendPoint> points, int point,
                          QWidget* parent);

}  // namespace ui
