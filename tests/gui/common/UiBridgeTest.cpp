// The hand-over of other threads' calls to the UI thread, on the system's own wake event (an eventfd watched
// by a socket notifier on Linux, an event object watched by an event notifier on Windows).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "ui/common/UiBridge.h"

namespace {

// Keeps the UI thread's event loop turning until `done` holds, at most `ms` milliseconds.
template <typename F>
bool ProcessEventsUntil(F done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace

class UiBridgeTest : public QObject {
    Q_OBJECT

  private slots:
    // Two threads each make a series of calls: every call runs on the UI thread, a thread's calls run in the
    // order it made them, and each Run returns only once its work has run.
    void callsRunOnTheUiThreadInOrderAndReturnWhenDone() {
        QObject context;
        ui::UiBridge bridge(&context);
        constexpr int kCalls = 200;
        std::vector<int> ran;  // UI thread only
        std::atomic<int> offThread{0}, returnedEarly{0}, finished{0};
        const auto worker = [&](int id) {
            for (int i = 0; i < kCalls; ++i) {
                bool done = false;
                const bool accepted = bridge.Run([&] {
                    if (QThread::currentThread() != context.thread()) ++offThread;
                    ran.push_back(id * kCalls + i);
                    done = true;
                });
                if (!accepted || !done) ++returnedEarly;
            }
            ++finished;
        };
        std::thread a(worker, 0), b(worker, 1);
        const bool bothDone = ProcessEventsUntil([&] { return finished.load() == 2; });
        if (!bothDone) bridge.Close();  // lets the workers return before they are joined
        a.join();
        b.join();
        QVERIFY(bothDone);
        QCOMPARE(offThread.load(), 0);
        QCOMPARE(returnedEarly.load(), 0);
        QCOMPARE(ran.size(), std::size_t{2 * kCalls});
        for (int id = 0; id < 2; ++id) {
            int expected = id * kCalls;
            for (int v : ran) {
                if (v / kCalls == id) QCOMPARE(v, expected++);
            }
        }
        // On the UI thread itself the work runs at once.
        bool direct = false;
        QVERIFY(bridge.Run([&] { direct = true; }));
        QVERIFY(direct);
    }

    // Close while another thread's call waits (the event loop is not turning): the waiting call runs inside
    // Close, its caller returns true; a call after Close runs nowhere and returns false at once.
    void closeRunsTheWaitingCallAndRefusesLaterOnes() {
        int ranInsideClose = 0;
        for (int round = 0; round < 5; ++round) {
            QObject context;
            ui::UiBridge bridge(&context);
            std::atomic<bool> calling{false}, ran{false}, closing{false}, ranWhileClosing{false};
            std::atomic<int> result{-1}, late{-1};
            std::atomic<bool> lateRan{false};
            std::thread worker([&] {
                calling = true;
                result = bridge.Run([&] {
                    ran = true;
                    ranWhileClosing = closing.load();
                })
                             ? 1
                             : 0;
                late = bridge.Run([&] { lateRan = true; }) ? 1 : 0;
            });
            while (!calling.load()) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the call is handed over meanwhile
            closing = true;
            bridge.Close();
            closing = false;
            worker.join();
            // Whichever came first, Run's answer tells whether its work ran, and nothing ran after Close.
            QCOMPARE(result.load() == 1, ran.load());
            QCOMPARE(late.load(), 0);
            QVERIFY(!lateRan.load());
            QVERIFY(bridge.Closed());
            if (ranWhileClosing) ++ranInsideClose;
            QCoreApplication::processEvents();  // a wake raised for the closed bridge runs nothing
            QVERIFY(!lateRan.load());
        }
        QVERIFY2(ranInsideClose > 0, "no call was waiting when Close came");
    }
};

QTEST_GUILESS_MAIN(UiBridgeTest)
#include "UiBridgeTest.moc"
