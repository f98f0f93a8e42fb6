// Heap kept by a dialog once it is closed and gone, with the program's own colours: the save dialog (保存报文
// / 保存记录; the project files' dialogs work the same way) and a message box ("操作失败!"). Each is opened,
// painted, closed by the operator and destroyed, round after round. Over a long session every byte a round
// keeps adds up. Prints, for each, the median heap kept per round after a warm-up of 5 rounds and what all
// rounds after the warm-up kept together.
// Linux only (glibc's heap statistics); run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <malloc.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "ui/common/DialogLook.h"
#include "ui/monitor/SaveTextDialog.h"

namespace {

long long HeapInUse() {
    return static_cast<long long>(mallinfo2().uordblks);
}

void Measure(const char* what, int rounds, const std::function<void()>& round) {
    constexpr int kWarmUp = 5;
    std::vector<long long> kept;
    long long warm = 0;
    long long before = HeapInUse();
    for (int i = 0; i < kWarmUp + rounds; ++i) {
        // The operator looks at the dialog for a moment, then closes it.
        QTimer::singleShot(150, [] {
            if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
        });
        round();
        QApplication::processEvents();
        const long long after = HeapInUse();
        if (i == kWarmUp - 1) warm = after;
        if (i >= kWarmUp) kept.push_back(after - before);
        before = after;
    }
    std::sort(kept.begin(), kept.end());
    std::printf(
        "%s, %d rounds after %d warm-up rounds: heap kept per round median %lld bytes (min %lld, max "
        "%lld), by all rounds %lld bytes\n",
        what, rounds, kWarmUp, kept[kept.size() / 2], kept.front(), kept.back(), before - warm);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    ui::ApplyDialogColours(application);
    QWidget owner;
    owner.resize(640, 480);
    owner.show();
    QApplication::processEvents();

    const int rounds = std::max(argc > 1 ? std::atoi(argv[1]) : 40, 1);
    Measure("save dialog", rounds, [&owner] {
        ui::AskSaveFileName(&owner, QStringLiteral("Tessel - 保存通讯监视记录"), QDir::tempPath(),
                            QStringLiteral("(26-12-09 08.30).txt"));
    });
    Measure("message box", rounds, [&owner] {
        QMessageBox box(QMessageBox::Information, QStringLiteral("varn"), QStringLiteral("操作失败!"),
                        QMessageBox::Ok, &owner);
        box.exec();
    });
    return 0;
}
