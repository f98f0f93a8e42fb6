// The trend window under the offscreen platform: the point list and the curves, the redraw limit, the
// cursor's read-out, earlier days from the day files, and both exports.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "platform/FileAppend.h"
#include "platform/Gbk.h"
#include "spreadsheet/WorkbookFile.h"
#include "trend/TrendDayFile.h"
#include "trend/TrendStore.h"
#include "ui/trend/DlgTrend.h"

namespace {

constexpr std::int64_t kNow = 1'780'000'000'000;  // a whole minute

std::vector<ui::TrendPoint> Points() {
    return {{"高压侧A相电流(A)", platform::Utf8ToGbk("高压侧A相电流(A)"), {0, 0, 255}, 100},
            {"高压侧B相电流(A)", platform::Utf8ToGbk("高压侧B相电流(A)"), {0, 0, 255}, 100},
            {"频率(Hz)", platform::Utf8ToGbk("频率(Hz)"), {255, 0, 0}, 100}};
}

void MoveTo(QWidget* w, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent e(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

}  // namespace

class TrendWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<trend::TrendStore> store_;
    std::int64_t now_ = kNow;

    std::unique_ptr<ui::DlgTrend> NewWindow() {
        auto w = std::make_unique<ui::DlgTrend>(*store_, Points(), dir_.path().toStdString(),
                                                [this] { return now_; });
        w->askOpen = [](const std::string&) { return false; };
        w->showError = [](const std::string&) {};
        return w;
    }

    // Ten minutes of polls at 2.5 a second: point 0 rises by 0.01 each poll, point 2 is 50 Hz.
    void Record() {
        for (std::int64_t ms = kNow - 600'000, n = 0; ms < kNow; ms += 400, ++n) {
            trend::PollSnapshot s = trend::PollSnapshot::Gaps(ms);
            s.values[0] = 1.0f + 0.01f * static_cast<float>(n % 100);
            s.values[2] = 50.0f;
            store_->Append(s);
        }
        store_->AddMark(kNow - 60'000, "断路器：分 -> 合!");
    }

  private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QDir(dir_.path()).mkdir(QStringLiteral("运行记录"));
        QDir(dir_.path()).mkdir(QStringLiteral("信息导出"));
        store_ = std::make_unique<trend::TrendStore>();
        now_ = kNow;
    }

    void theListNamesThePointsAndTurnsCurvesOnAndOff() {
        auto w = NewWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("遥测趋势"));
        QCOMPARE(w->PointList().count(), 3);
        QCOMPARE(w->PointList().item(2)->text(), QStringLiteral("频率(Hz)"));
        QVERIFY(!w->isModal());
        w->ShowPoint(1);
        QCOMPARE(w->Chart().Curves().size(), std::size_t{1});
        QCOMPARE(w->Chart().Curves()[0].point, 1);
        w->ShowPoint(0);
        QCOMPARE(w->Chart().Curves().size(), std::size_t{2});
        // Two curves of one colour are told apart by their line.
        QCOMPARE(w->Chart().Curves()[0].colour, QColor(0, 0, 255));
        QVERIFY(w->Chart().Curves()[0].style != w->Chart().Curves()[1].style);
        w->PointList().item(1)->setCheckState(Qt::Unchecked);
        QCOMPARE(w->Chart().Curves().size(), std::size_t{1});
        QCOMPARE(w->Chart().Curves()[0].point, 0);
    }

    void redrawsComeAtMostTenTimesASecond() {
        Record();
        auto w = NewWindow();
        w->ShowPoint(0);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const int before = w->Chart().Redraws();
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 1000) {
            now_ += 10;
            MoveTo(&w->Chart(),
                   w->Chart().PlotRect().center() + QPoint(static_cast<int>(timer.elapsed() % 50), 0));
            QTest::qWait(5);
        }
        const int redraws = w->Chart().Redraws() - before;
        QVERIFY2(redraws >= 3 && redraws <= 12, qPrintable(QString::number(redraws)));
    }

    void theCursorReadsTimeValuesAndMarks() {
        Record();
        auto w = NewWindow();
        w->ShowPoint(0);
        w->ShowPoint(2);
        w->resize(1000, 560);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // Zoom into the last minute and point at the mark a minute ago: the left edge.
        ui::TrendChart& chart = w->Chart();
        chart.State().Zoom(0.1, 0, now_);
        const QRect plot = chart.PlotRect();
        MoveTo(&chart, QPoint(plot.left(), plot.center().y()));
        const QString readout = chart.Readout();
        QVERIFY2(readout.startsWith(QString::fromStdString(ui::ReadoutTimeText(kNow - 60'000).substr(0, 19))),
                 qPrintable(readout));
        QVERIFY2(readout.contains(QStringLiteral("频率(Hz)=50.00")), qPrintable(readout));
        QVERIFY2(readout.contains(QStringLiteral("高压侧A相电流(A)=1.")), qPrintable(readout));
        QVERIFY2(readout.contains(QStringLiteral("断路器：分 -> 合!")), qPrintable(readout));

        // A drag into the past pauses; the button takes the chart back to live.
        QMouseEvent press(QEvent::MouseButtonPress, plot.center(), chart.mapToGlobal(plot.center()),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&chart, &press);
        MoveTo(&chart, plot.center() + QPoint(100, 0), Qt::LeftButton);
        QVERIFY(!chart.State().Live());
        QPushButton* live = nullptr;
        for (QPushButton* b : w->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("回到实时")) live = b;
        QVERIFY(live && live->isEnabled());
        live->click();
        QVERIFY(chart.State().Live());
        QVERIFY(!live->isEnabled());
    }

    void anEarlierRunComesFromTheDayFiles() {
        {
            trend::TrendStore earlier;
            std::vector<std::string> names;
            for (const auto& p : Points()) names.push_back(p.gbkName);
            trend::TrendDayWriter writer(dir_.path().toStdString(), names, oplog::LockedFileAppender());
            for (int s = 0; s < 120; ++s) {
                trend::PollSnapshot snapshot = trend::PollSnapshot::Gaps(kNow - 7'200'000 + s * 1000);
                snapshot.values[2] = 49.0f + static_cast<float>(s % 3);
                earlier.Append(snapshot);
            }
            QVERIFY(writer.WriteUpTo(earlier, kNow - 7'000'000));
        }
        Record();  // this run started ten minutes ago
        auto w = NewWindow();
        w->ShowPoint(2);
        ui::TrendChart& chart = w->Chart();
        chart.State().Pan(-7'000'000, now_);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const trend::TimeRange shown = chart.State().Visible(now_);
        QVERIFY(shown.toMs < kNow - 600'000);
        std::string error;
        const std::string path = w->ExportWorkbook(error);
        QVERIFY2(!path.empty(), error.c_str());
        spreadsheet::Workbook workbook;
        QCOMPARE(spreadsheet::LoadWorkbookFile(path, workbook, error), spreadsheet::LoadStatus::Loaded);
        const spreadsheet::Sheet& sheet = workbook.sheets.at(0);
        QCOMPARE(sheet.At(0, 1).text, std::string("频率(Hz)"));
        QVERIFY(sheet.RowCount() > 50);
        QCOMPARE(sheet.At(1, 1).number, 49.0);
    }

    void bothExportsLandInTheExportFolderAndAMissingFolderIsNotMade() {
        Record();
        auto w = NewWindow();
        w->ShowPoint(0);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        std::string error;
        const std::string picture = w->ExportPicture(error);
        QVERIFY(QString::fromStdString(picture).contains(QStringLiteral("/信息导出/趋势 ")));
        QVERIFY(picture.ends_with(".png"));
        QFile png(QString::fromStdString(picture));
        QVERIFY(png.open(QIODevice::ReadOnly));
        QCOMPARE(png.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
        const std::string sheet = w->ExportWorkbook(error);
        QVERIFY(sheet.ends_with(".xls"));
        spreadsheet::Workbook workbook;
        QCOMPARE(spreadsheet::LoadWorkbookFile(sheet, workbook, error), spreadsheet::LoadStatus::Loaded);
        QCOMPARE(workbook.sheets.at(0).At(0, 1).text, std::string("高压侧A相电流(A)"));
        QCOMPARE(workbook.sheets.at(0).RowCount(), std::size_t{1501});  // the ten minutes shown, every poll

        QVERIFY(QDir(dir_.path() + QStringLiteral("/信息导出")).removeRecursively());
        std::vector<std::string> errors;
        w->showError = [&](const std::string& text) { errors.push_back(text); };
        for (QPushButton* b : w->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("导出表格") || b->text() == QStringLiteral("导出图片"))
                b->click();
        QCOMPARE(errors.size(), std::size_t{2});
        QVERIFY(errors[0].starts_with("导出文件失败："));
        QVERIFY(!QDir(dir_.path() + QStringLiteral("/信息导出")).exists());
    }
};

QTEST_MAIN(TrendWindowTest)
#include "TrendWindowTest.moc"
