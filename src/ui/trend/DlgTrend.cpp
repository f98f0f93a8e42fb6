#include "ui/trend/DlgTrend.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "platform/Clock.h"
#include "platform/FileAppend.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"
#include "spreadsheet/WorkbookFile.h"
#include "trend/MinMaxColumns.h"
#include "trend/TrendDayFile.h"
#include "ui/trend/TrendExport.h"

namespace ui {
namespace {

QString Qs(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QColor ToQColor(const CurveRgb& c) {
    return QColor(c.r, c.g, c.b);
}

QIcon Swatch(const QColor& colour) {
    QPixmap pixmap(14, 14);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

constexpr Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};

}  // namespace

DlgTrend::DlgTrend(const trend::TrendStore& store, std::vector<TrendPoint> points, std::string programFolder,
                   std::function<std::int64_t()> nowMs, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      store_(store),
      points_(std::move(points)),
      programFolder_(std::move(programFolder)),
      nowMs_(std::move(nowMs)) {
    setWindowTitle(QStringLiteral("遥测趋势"));
    setModal(false);
    resize(1000, 560);

    list_ = new QListWidget(this);
    list_->setMaximumWidth(220);
    for (const TrendPoint& point : points_) {
        auto* item = new QListWidgetItem(Swatch(ToQColor(point.colour)), Qs(point.name), list_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    chart_ = new TrendChart(*this, this);
    chart_->setAccessibleName(QStringLiteral("趋势图"));
    readout_ = new QLabel(this);
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    readout_->setMinimumHeight(readout_->fontMetrics().height() * 2);
    readout_->setWordWrap(true);
    pause_ = new QPushButton(QStringLiteral("暂停"), this);
    live_ = new QPushButton(QStringLiteral("回到实时"), this);
    auto* exportSheet = new QPushButton(QStringLiteral("导出表格"), this);
    auto* exportPicture = new QPushButton(QStringLiteral("导出图片"), this);
    for (QPushButton* b : {pause_, live_, exportSheet, exportPicture}) b->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(live_);
    buttons->addStretch();
    buttons->addWidget(exportSheet);
    buttons->addWidget(exportPicture);
    auto* right = new QVBoxLayout;
    right->addLayout(buttons);
    right->addWidget(chart_, 1);
    right->addWidget(readout_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(right, 1);

    connect(list_, &QListWidget::itemChanged, this, [this] { UpdateCurves(); });
    connect(pause_, &QPushButton::clicked, this, [this] {
        chart_->State().Pause(nowMs_());
        chart_->Changed();
        UpdateButtons();
    });
    connect(live_, &QPushButton::clicked, this, [this] {
        chart_->State().BackToLive();
        chart_->Changed();
        UpdateButtons();
    });
    connect(exportSheet, &QPushButton::clicked, this, [this] { Export(false); });
    connect(exportPicture, &QPushButton::clicked, this, [this] { Export(true); });
    connect(chart_, &TrendChart::ReadoutChanged, readout_, &QLabel::setText);
    connect(chart_, &TrendChart::LiveChanged, this, [this] { UpdateButtons(); });

    askOpen = [this](const std::string& question) {
        return QMessageBox::question(this, windowTitle(), Qs(question),
                                     QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    };
    showError = [this](const std::string& text) { QMessageBox::warning(this, windowTitle(), Qs(text)); };

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, chart_, &TrendChart::Tick);
    timer_->start(kRedrawIntervalMs);
    UpdateButtons();
}

DlgTrend::~DlgTrend() = default;

void DlgTrend::ShowPoint(int point) {
    if (point >= 0 && point < list_->count()) {
        list_->item(point)->setCheckState(Qt::Checked);
        list_->scrollToItem(list_->item(point));
    }
    chart_->State().BackToLive();
    chart_->Changed();
    UpdateButtons();
}

void DlgTrend::UpdateCurves() {
    std::vector<TrendCurve> curves;
    std::map<QRgb, int> sameColour;
    for (int i = 0; i < list_->count(); ++i) {
        if (list_->item(i)->checkState() != Qt::Checked) continue;
        const TrendPoint& point = points_[static_cast<std::size_t>(i)];
        const QColor colour = ToQColor(point.colour);
        // Curves that share a colour differ in their line.
        const int n = sameColour[colour.rgb()]++;
        curves.push_back(TrendCurve{i, Qs(point.name), colour, kStyles[n % std::size(kStyles)], point.cc2});
    }
    chart_->SetCurves(std::move(curves));
}

void DlgTrend::UpdateButtons() {
    const bool live = chart_->State().Live();
    pause_->setEnabled(live);
    live_->setEnabled(!live);
}

const std::vector<trend::Sample>& DlgTrend::History(int point, trend::TimeRange range) {
    const std::optional<trend::TimeRange> held = store_.Held();
    const std::int64_t recordedFrom = held ? held->fromMs : nowMs_();
    const std::int64_t from =
        range.fromMs - ((range.fromMs % trend::kMsPerDay) + trend::kMsPerDay) % trend::kMsPerDay;
    if (!historyLoaded_ || from < historyFromMs_ || recordedFrom > historyToMs_) {
        std::vector<std::string> names;
        for (const TrendPoint& p : points_) names.push_back(p.gbkName);
        history_ = trend::ReadTrendDays(programFolder_, trend::TimeRange{from, recordedFrom}, names);
        historyFromMs_ = from;
        historyToMs_ = recordedFrom;
        historyLoaded_ = true;
    }
    static const std::vector<trend::Sample> kNone;
    return point >= 0 && static_cast<std::size_t>(point) < history_.size()
               ? history_[static_cast<std::size_t>(point)]
               : kNone;
}

std::vector<trend::Column> DlgTrend::Columns(trend::TimeRange range, int point, int columns,
                                             std::vector<bool>& gapColumns) {
    std::vector<trend::Column> result = store_.CopyColumns(range, point, columns, &gapColumns);
    const std::optional<trend::TimeRange> held = store_.Held();
    const std::int64_t recordedFrom = held ? held->fromMs : nowMs_();
    if (range.fromMs >= recordedFrom) return result;
    trend::ColumnAccumulator older(range, columns);
    for (const trend::Sample& s : History(point, range)) {
        if (s.msSinceEpoch >= recordedFrom) break;
        older.Add(s.msSinceEpoch, s.value);
    }
    const std::vector<bool> olderGaps = older.GapColumns();
    const std::vector<trend::Column> olderColumns = older.Take();
    for (std::size_t c = 0; c < result.size() && c < olderColumns.size(); ++c) {
        if (olderGaps[c]) gapColumns[c] = true;
        if (!olderColumns[c]) continue;
        if (!result[c]) {
            result[c] = olderColumns[c];
        } else {
            result[c]->min = std::min(result[c]->min, olderColumns[c]->min);
            result[c]->max = std::max(result[c]->max, olderColumns[c]->max);
        }
    }
    return result;
}

std::vector<trend::Sample> DlgTrend::Samples(trend::TimeRange range, int point) {
    std::vector<trend::Sample> recorded = store_.Copy(range, point);
    const std::optional<trend::TimeRange> held = store_.Held();
    const std::int64_t recordedFrom = held ? held->fromMs : nowMs_();
    if (range.fromMs >= recordedFrom) return recorded;
    std::vector<trend::Sample> samples;
    for (const trend::Sample& s : History(point, range)) {
        if (s.msSinceEpoch >= recordedFrom) break;
        if (range.Contains(s.msSinceEpoch)) samples.push_back(s);
    }
    samples.insert(samples.end(), recorded.begin(), recorded.end());
    return samples;
}

std::string DlgTrend::ExportWorkbook(std::string& error) {
    const trend::TimeRange range = chart_->State().Visible(nowMs_());
    std::vector<TrendColumn> columns;
    for (const TrendCurve& curve : chart_->Curves()) {
        columns.push_back(TrendColumn{curve.name.toStdString(), Samples(range, curve.point)});
    }
    const std::string path = TrendExportPath(programFolder_, trend::FromMs(nowMs_()), "xls");
    if (!spreadsheet::SaveWorkbookFile(path, TrendWorkbook(columns), error)) return std::string();
    return path;
}

std::string DlgTrend::ExportPicture(std::string& error) {
    const QPixmap picture = chart_->grab();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        error = "PNG";
        return std::string();
    }
    const std::string path = TrendExportPath(programFolder_, trend::FromMs(nowMs_()), "png");
    if (!platform::WriteWholeFile(
            path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
        error.clear();
        return std::string();
    }
    return path;
}

void DlgTrend::Export(bool picture) {
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string path = picture ? ExportPicture(error) : ExportWorkbook(error);
    QApplication::restoreOverrideCursor();
    if (path.empty()) {
        const std::string intended =
            TrendExportPath(programFolder_, trend::FromMs(nowMs_()), picture ? "png" : "xls");
        showError("导出文件失败：" + intended + (error.empty() ? std::string() : "\n" + error));
        return;
    }
    if (askOpen("已导出文件：" + path + "，是否打开文件？  ")) platform::OpenDocument(path);
}

DlgTrend* ShowTrendWindow(const trend::TrendStore& store, std::vector<TrendPoint> points, int point,
                          QWidget* parent) {
    static QPointer<DlgTrend> window;
    if (!window || window->parent() != parent) {
        delete window.data();
        window = new DlgTrend(
            store, std::move(points), platform::ProgramFolder(),
            [] { return trend::ToMs(platform::CurrentClock().Now()); }, parent);
    }
    window->ShowPoint(point);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace ui
