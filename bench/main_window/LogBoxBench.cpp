// Appending log entries to the main window's log box at its capacity: every append first cuts 15,000
// characters, then adds the entry at the end. Prints the median per entry, without and with the repaint that
// follows each append. Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "log/LogBoxText.h"
#include "ui/main_window/LogBox.h"

namespace {

struct Figures {
    double median = 0;
    double p90 = 0;
};

Figures Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 9 / 10]};
}

// Refills the box to just below the limit, so the next append cuts.
void FillToLimit(ui::LogBox& box) {
    const QString line = QStringLiteral("22:10:47 -> ") + QString(60, QChar(0x8F6E));  // 60 x 轮
    QString fill;
    fill.reserve(static_cast<qsizetype>(oplog::kLogBoxLimit) + 1000);
    while (fill.size() + line.size() + 1 < static_cast<qsizetype>(oplog::kLogBoxLimit)) {
        fill += line;
        fill += QLatin1Char('\n');
    }
    box.setPlainText(fill);
    box.moveCursor(QTextCursor::End);
}

// Brings the box back to the limit after a cut, with one large append that does not cut.
void TopUp(ui::LogBox& box) {
    const qsizetype missing = static_cast<qsizetype>(oplog::kLogBoxLimit) - box.Length();
    if (missing <= 0) return;
    const QString line = QString(71, QLatin1Char('x')) + QLatin1Char('\n');
    QString text;
    while (text.size() < missing) text += line;
    box.AppendEntry(text);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const int entries = argc > 1 ? std::max(10, std::atoi(argv[1])) : 400;

    ui::LogBox box;
    box.resize(400, 160);
    box.show();
    FillToLimit(box);
    QApplication::processEvents();

    const QString entry = QStringLiteral("22:10:47 -> 轮循过程收到CRC错误的报文!\r\n");
    std::vector<double> plain;
    std::vector<double> painted;
    for (int i = 0; i < entries; ++i) {
        // Keep the box at capacity (untimed): each measured append cuts.
        TopUp(box);
        auto start = std::chrono::steady_clock::now();
        box.AppendEntry(entry);
        auto end = std::chrono::steady_clock::now();
        plain.push_back(std::chrono::duration<double, std::milli>(end - start).count());

        TopUp(box);
        start = std::chrono::steady_clock::now();
        box.AppendEntry(entry);
        box.repaint();
        end = std::chrono::steady_clock::now();
        painted.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    const Figures a = Summarise(plain);
    const Figures b = Summarise(painted);
    std::printf("entries %d at %zu characters\n", entries, oplog::kLogBoxLimit);
    std::printf("append with cut: median %.3f ms, p90 %.3f ms (target <= 2 ms)\n", a.median, a.p90);
    std::printf("append with cut and repaint: median %.3f ms, p90 %.3f ms\n", b.median, b.p90);
    return 0;
}
