// The management thread refreshes the lists from its own thread; each call completes on the UI thread
// before it returns, and detaching the window lets a thread that is still calling finish without waiting.
#include <QApplication>
#include <QTest>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/EngineContext.h"
#include "ui/settings/DlgDZCS.h"

class RefreshThreadTest : public QObject {
    Q_OBJECT
  private slots:
    void refreshFromAnotherThreadIsCompleteWhenItReturns() {
        engine::EngineState state;
        auto setting = std::make_unique<config::SettingTable>();
        auto param = std::make_unique<config::ParamTable>();
        std::mutex mutex;
        engine::EngineContext ctx;
        ctx.state = &state;
        ctx.setting = setting.get();
        ctx.param = param.get();
        ctx.tablesMutex = &mutex;
        param->Number = 1;
        param->RawValue[0] = config::kRawNone;
        auto window = std::make_unique<ui::DlgDZCS>(ctx);

        std::atomic<bool> done{false};
        std::thread management([&] {
            {
                std::lock_guard lock(mutex);
                param->RawValue[0] = 4800;
            }
            if (engine::SettingsView* view = ctx.settingsView.load()) view->RefreshParamList();
            // The refresh has run on the UI thread by now; reading the cell here would race, so the UI
            // thread checks it after join.
            done = true;
        });
        QTRY_VERIFY(done.load());
        management.join();
        QCOMPARE(window->ParamList()->CellText(0, 2), QString("4800"));

        std::atomic<bool> stop{false};
        std::atomic<int> calls{0};
        std::thread busy([&] {
            while (!stop.load()) {
                if (engine::SettingsView* view = ctx.settingsView.load()) view->RefreshSettingList();
                ++calls;
            }
        });
        QTRY_VERIFY(calls.load() > 3);
        window->Detach();  // returns although the thread keeps calling
        QVERIFY(ctx.settingsView.load() == nullptr);
        stop = true;
        busy.join();
        window.reset();
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    RefreshThreadTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RefreshThreadTest.moc"
