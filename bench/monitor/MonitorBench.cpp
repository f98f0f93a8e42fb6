// Appending a received 133-byte poll answer to a monitor text at its capacity, telesignal hints on: each
// frame is formatted, measured, cut when at 9,000,000 characters and appended. Prints the median per frame.
// Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "log/LogBoxText.h"
#include "ui/monitor/ComLook.h"
#include "ui/monitor/DlgComLook.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    ui::ComLook look;
    ui::DlgComLook window(look);
    look.Attach(&window);
    window.show();

    // A poll answer: address, function 3, byte count 128, 64 registers, CRC; a few telesignals set.
    std::vector<std::uint8_t> frame(133, 0x00);
    frame[0] = 1;
    frame[1] = 3;
    frame[2] = 128;
    frame[19] = 0x00;
    frame[20] = 0x05;
    frame[21] = 0x80;
    frame[23] = 0x01;

    // Fill to just below the limit with lines like the ones the benchmark appends.
    const QString line = QString(430, QLatin1Char('x'));
    QString fill;
    fill.reserve(static_cast<qsizetype>(oplog::kLogBoxLimit) + 1000);
    while (fill.size() + line.size() + 1 < static_cast<qsizetype>(oplog::kLogBoxLimit) - 10) {
        fill += line;
        fill += QLatin1Char('\n');
    }
    window.TextBox()->setPlainText(fill);
    window.TextBox()->moveCursor(QTextCursor::End);
    QApplication::processEvents();

    const int frames = argc > 1 ? std::atoi(argv[1]) : 2000;
    std::vector<double> ms;
    ms.reserve(frames);
    for (int i = 0; i < frames; ++i) {
        const auto start = std::chrono::steady_clock::now();
        look.ShowMonitorFrame(frame.data(), frame.size(), true);
        const auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        if (i % 50 == 0) QApplication::processEvents();
    }
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    std::printf("frames %d, text length %lld\n", frames, static_cast<long long>(window.TextLength()));
    std::printf("median %.3f ms, p90 %.3f ms, max %.3f ms per frame (target <= 2 ms)\n", sorted[frames / 2],
                sorted[frames * 9 / 10], sorted.back());
    look.Attach(nullptr);
    return 0;
}
