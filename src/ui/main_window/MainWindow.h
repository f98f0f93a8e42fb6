#pragma once
// The main window: live telemetry and telesignals, the PC and relay clocks, the operation log, the link
// settings and the buttons of every operation. It runs the management thread from its initialisation to its
// close, and shows what the thread reports through the MainView calls, each carried out on the UI thread.
#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "engine/EngineContext.h"
#include "engine/MainView.h"
#include "platform/WindowLink.h"
#include "ui/common/DialogUnits.h"
#include "ui/common/ProcessFonts.h"
#include "ui/common/UiBridge.h"
#include "ui/main_window/ControlLook.h"
#include "ui/main_window/MainLayout.h"
#include "ui/main_window/YcCalibration.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace trend {
class TrendStore;
class TrendDayWriter;
}  // namespace trend

namespace com {
class ComSer;
}
namespace engine {
class ManagementThread;
struct DecodeContext;
}  // namespace engine

namespace ui {

class LogBox;

inline constexpr char kMainTitleStarting[] = "OrlinV1.63 - VARN - 通讯状态未知";
inline constexpr char kMainTitle[] = "Orlin - VARN";
// Logged when the receiver of the communication server's replies has stopped by itself.
inline constexpr char kLinkReceiverStoppedText[] =
    "接收通讯服务器回复的通道已停止，网络方式下收不到装置的回复，请重新启动程序!";

class MainWindow : public QDialog, public engine::MainView {
    Q_OBJECT
  public:
    // `ctx` needs its state and transport; unset tables, log and settings path become the process-wide
    // ones. `comSer`, when given, receives the communication server's replies through the window's link
    // receiver. The window sets ctx.mainView (and the message boxes, live decoding and sound when unset)
    // and clears what it set when it ends.
    explicit MainWindow(engine::EngineContext& ctx, com::ComSer* comSer = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The initialisation, in its fixed order; runs once, by itself when the window is first shown.
    void OnInitDialog();
    bool Initialised() const { return initialised_; }

    // What 事件记录, 版本信息, 通讯管理 and 定值参数 open; until set these buttons do nothing.
    void SetWindowOpener(main_layout::Button button, std::function<void()> open);
    // Runs on the UI thread when the run ends, before the management thread is waited for (other windows
    // stop taking its calls here).
    void SetBeforeJoin(std::function<void()> beforeJoin) { beforeJoin_ = std::move(beforeJoin); }
    // Replaces the calibration dialog (tests script it).
    void SetReferenceAsker(YcCalibration::AskReference ask);
    // What "趋势图…" of a telemetry field's context menu opens, with the field's point.
    void SetTrendOpener(std::function<void(int point)> open) { trendOpener_ = std::move(open); }
    void OpenTrend(int point) {
        if (trendOpener_) trendOpener_(point);
    }
    // The recording of every decoded answer, from the window's start; the trend window reads it.
    trend::TrendStore& TrendRecording() { return *trendStore_; }
    // The telemetry point whose label or value field contains `pos` (window coordinates); -1 for none.
    int TelemetryFieldAt(const QPoint& pos) const;

    // engine::MainView; callable from any thread.
    void ShowPcTime(const std::string& text) override;
    void ShowDeviceTime(const std::string& text) override;
    void ShowDeviceModel(const std::string& text) override;
    void ShowDeviceVersion(const std::string& text) override;
    void ShowYcValue(int point, const std::string& text) override;
    void ShowYxState(int point, const std::string& text) override;
    void ShowAddress(const std::string& text) override;
    void SetTitle(const std::string& text) override;

    // Appends a stamped log entry to the log box; callable from any thread.
    void AppendLogEntry(const std::string& entry);

    // Widgets, for the start-up's pictures and for tests. Labels not created yet are null.
    QLabel* YcLabel(int point) const { return ycLabels_.at(point); }
    QLabel* YcValue(int point) const { return ycValues_.at(point); }
    QLabel* YxLabel(int point) const { return yxLabels_.at(point); }
    QLabel* YxState(int point) const { return yxStates_.at(point); }
    QLabel* ClockField(main_layout::ClockBox box) const { return clockFields_.at(static_cast<int>(box)); }
    QLineEdit* PortBox() const { return portBox_; }
    QLineEdit* AddressBox() const { return addressBox_; }
    QCheckBox* NetworkModeBox() const { return networkMode_; }
    QPushButton* ReconnectButton() const { return reconnect_; }
    QPushButton* ButtonWidget(main_layout::Button button) const {
        return buttons_.at(static_cast<int>(button));
    }
    LogBox* LogBoxWidget() const { return logBox_; }
    const DialogUnits& Units() const { return units_; }
    // Text changes of the value, state and clock fields so far (a steady relay adds only the clock boxes').
    long FieldTextWrites() const { return fieldTextWrites_; }

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    class Messages;

    void BuildLayout();
    QLabel* NewLabel(const main_layout::DluRect& rect, const QString& text, bool field);
    QFrame* NewFrame(const main_layout::DluRect& rect);
    void Place(QWidget* widget, const main_layout::DluRect& rect) const;
    void CreateFonts();
    const QFont& FontOf(LookFont font) const;
    void ApplyLook(QWidget* widget, const ControlLook& look);
    void SetFieldText(QLabel* field, const std::string& text);
    void ConnectButtons();
    void OnButton(main_layout::Button button);
    bool ValidateFields();
    void OnAddressChanged();
    void StartLinkReceiver();
    // Writes the recording to 运行记录 once a second.
    void StartTrendFile();
    // The point whose label contains `pos` (window coordinates) and is clickable; -1 for none.
    int ClickablePointAt(const QPoint& pos) const;
    // Ends the management thread and detaches the window from everything that calls into it.
    void EndRun();

    engine::EngineContext& ctx_;
    com::ComSer* comSer_;
    DialogUnits units_;
    UiBridge bridge_;
    YcCalibration calibration_;
    std::unique_ptr<Messages> messages_;
    std::unique_ptr<engine::DecodeContext> decode_;
    std::unique_ptr<engine::ManagementThread> thread_;
    platform::LinkReceiver receiver_;
    ProcessFonts ownFonts_;
    YcCalibration::AskReference askReference_;
    std::array<std::function<void()>, main_layout::kButtonCount> openers_;

    std::function<void()> beforeJoin_;
    std::function<void(int)> trendOpener_;
    std::unique_ptr<trend::TrendStore> trendStore_;
    std::unique_ptr<trend::TrendDayWriter> trendWriter_;
    QTimer* trendFileTimer_ = nullptr;
    bool setTrend_ = false;

    std::array<QLabel*, main_layout::kYcCapacity> ycLabels_{};
    std::array<QLabel*, main_layout::kYcCapacity> ycValues_{};
    std::array<QLabel*, main_layout::kYxCapacity> yxLabels_{};
    std::array<QLabel*, main_layout::kYxCapacity> yxStates_{};
    std::array<QLabel*, main_layout::kClockBoxes> clockFields_{};
    QLineEdit* portBox_ = nullptr;
    QLineEdit* addressBox_ = nullptr;
    QCheckBox* networkMode_ = nullptr;
    QPushButton* reconnect_ = nullptr;
    std::array<QPushButton*, main_layout::kButtonCount> buttons_{};
    LogBox* logBox_ = nullptr;
    std::unordered_map<const QWidget*, ControlLook> looks_;

    bool setMainView_ = false;
    bool setMessageBoxes_ = false;
    bool setDecodePoll_ = false;
    bool initialised_ = false;
    bool ended_ = false;
    long fieldTextWrites_ = 0;
};

}  // namespace ui
