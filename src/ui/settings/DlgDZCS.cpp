#include "ui/settings/DlgDZCS.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

#include "engine/BlockTransfer.h"
#include "platform/FileAppend.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"
#include "resources/Pictures.h"
#include "ui/common/DialogLook.h"
#include "ui/common/DialogUnits.h"
#include "ui/common/DlgLog.h"
#include "ui/common/FadeOut.h"
#include "ui/settings/EditRules.h"
#include "ui/settings/InformationExport.h"
#include "ui/settings/ListTexts.h"
#include "ui/settings/ProjectCommands.h"
#include "ui/settings/ProjectComparisonWindow.h"
#include "ui/settings/SheetPdf.h"
#include "ui/settings/TransferCommands.h"

namespace ui {

namespace {

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr int kValueColumn = 2;

// Layout in dialog units, below the menu bar.
constexpr QSize kClientSize{460, 262};
constexpr QRect kSettingListRect{7, 7, 219, 228};
constexpr QRect kParamListRect{234, 7, 219, 228};
constexpr int kButtonTop = 241;
constexpr QSize kButtonSize{60, 15};
constexpr int kButtonLeft[] = {28, 138, 255, 365, 7};
constexpr const char* kButtonText[] = {"上装定值", "下载定值", "上装参数", "下载参数", "导出信息"};

}  // namespace

class DlgDZCS::QtPrompts : public SettingsPrompts {
  public:
    explicit QtPrompts(QWidget* parent) : parent_(parent) {}
    void Notice(const std::string& text) override { Box(QMessageBox::NoIcon, text, QMessageBox::Ok); }
    void Inform(const std::string& text) override { Box(QMessageBox::Information, text, QMessageBox::Ok); }
    void Warn(const std::string& text) override { Box(QMessageBox::Warning, text, QMessageBox::Ok); }
    bool AskOkCancel(const std::string& text) override {
        return Box(QMessageBox::Information, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    }
    std::optional<std::string> AskSaveFile(const FileDialog& dialog) override {
        return Run(dialog, QFileDialog::AcceptSave);
    }
    std::optional<std::string> AskOpenFile(const FileDialog& dialog) override {
        return Run(dialog, QFileDialog::AcceptOpen);
    }

  private:
    int Box(QMessageBox::Icon icon, const std::string& text, QMessageBox::StandardButtons buttons) {
        QMessageBox box(icon, QApplication::applicationDisplayName(), Qs(text), buttons, parent_);
        return box.exec();
    }
    std::optional<std::string> Run(const FileDialog& request, QFileDialog::AcceptMode mode) {
        QFileDialog dialog(parent_, Qs(request.title), Qs(request.folder), Qs(request.filter));
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                           : QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(Qs(request.defaultSuffix));
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        dialog.selectFile(Qs(request.proposedFile));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().first().toStdString();
    }
    QWidget* parent_;
};

class DlgDZCS::QtExportView : public ExportView {
  public:
    explicit QtExportView(DlgDZCS& window) : window_(window) {}
    void ShowWaitCursor() override { QApplication::setOverrideCursor(Qt::WaitCursor); }
    void RestoreCursor() override { QApplication::restoreOverrideCursor(); }
    void ShowInformation(const std::string& text) override { window_.Prompts().Inform(text); }
    void ShowError(const std::string& text) override { window_.Prompts().Warn(text); }
    bool AskOkCancel(const std::string& text) override { return window_.Prompts().AskOkCancel(text); }
    void OpenDocument(const std::string& path) override { window_.OpenDocument(path); }

  private:
    DlgDZCS& window_;
};

class DlgDZCS::Target : public TransferTarget {
  public:
    explicit Target(engine::EngineContext& ctx) : ctx_(ctx) {}
    bool CommOk() override { return ctx_.state->commOk.load(); }
    int UnreadSettings() override {
        std::lock_guard lock(*ctx_.tablesMutex);
        return Unread(ctx_.setting->RawValue, SettingRowCount(*ctx_.setting));
    }
    int UnreadParameters() override {
        std::lock_guard lock(*ctx_.tablesMutex);
        return Unread(ctx_.param->RawValue, ParamRowCount(*ctx_.param));
    }
    void UploadSettings() override { engine::UploadSettings(ctx_); }
    void DownloadSettings() override { engine::DownloadSettings(ctx_); }
    void UploadParameters() override { engine::UploadParameters(ctx_); }
    void DownloadParameters() override { engine::DownloadParameters(ctx_); }

  private:
    static int Unread(const config::PerPoint<std::uint16_t>& raw, int rows) {
        int count = 0;
        for (int i = 0; i < rows; ++i) count += raw[i] == config::kRawNone ? 1 : 0;
        return count;
    }
    engine::EngineContext& ctx_;
};

DlgDZCS::DlgDZCS(engine::EngineContext& ctx, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ctx_(ctx),
      bridge_(this),
      qtPrompts_(std::make_unique<QtPrompts>(this)),
      target_(std::make_unique<Target>(ctx)) {
    setWindowTitle(QString::fromUtf8(kSettingsTitle));
    setWindowIcon(ResourceIcon(res::kIconSettings));
    setFont(DialogFont());
    setModal(false);
    BuildMenu();
    BuildLists();
    BuildButtons();
    const DialogUnits units = DialogUnits::FromFont(font());
    const QSize client = units.ToPixels(kClientSize);
    setFixedSize(client.width(), client.height() + menuBar_->sizeHint().height());
    menuBar_->setGeometry(0, 0, width(), menuBar_->sizeHint().height());

    FillSettingList();
    FillParamList();
    ctx_.settingsView.store(this);
    attached_ = true;
}

DlgDZCS::~DlgDZCS() {
    Detach();
}

void DlgDZCS::Detach() {
    if (!attached_) return;
    attached_ = false;
    engine::SettingsView* self = this;
    ctx_.settingsView.compare_exchange_strong(self, nullptr);
    bridge_.Close();
}

void DlgDZCS::BuildMenu() {
    menuBar_ = new QMenuBar(this);
    QMenu* file = menuBar_->addMenu(QStringLiteral("文件(&F)"));
    connect(file->addAction(QStringLiteral("信息导出")), &QAction::triggered, this,
            [this] { ExportInformation(); });
    file->addSeparator();
    connect(file->addAction(QStringLiteral("打开定值参数")), &QAction::triggered, this,
            [this] { OpenProjectFile(); });
    connect(file->addAction(QStringLiteral("保存定值参数")), &QAction::triggered, this,
            [this] { SaveProjectFile(); });
    file->addSeparator();
    connect(file->addAction(QString::fromUtf8(kPrintSheetItem)), &QAction::triggered, this,
            [this] { PrintSettingsSheet(); });
    connect(file->addAction(QString::fromUtf8(kCompareProjectItem)), &QAction::triggered, this,
            [this] { CompareProjectFile(); });
    file->addSeparator();
    exit_ = file->addAction(QStringLiteral("退出"));
    connect(exit_, &QAction::triggered, this, [this] { hide(); });
    menuBar_->addAction(QStringLiteral("查看(&V)"));  // carries no command
    QMenu* help = menuBar_->addMenu(QStringLiteral("帮助(&H)"));
    connect(help->addAction(QStringLiteral("版权信息")), &QAction::triggered, this,
            [this] { ShowCopyright(); });
    connect(help->addAction(QStringLiteral("帮助使用")), &QAction::triggered, this, [this] { OpenHelp(); });
}

void DlgDZCS::SetUpList(combolist::ComboListCtrl* list, const char* nameHeader, int id) {
    list->SetOwner(this, id);
    list->SetInPlaceEditing(true);
    list->setColumnCount(3);
    list->setHorizontalHeaderLabels(
        {QStringLiteral("序号"), QString::fromUtf8(nameHeader), QStringLiteral("数值")});
    // W is the list's client width while it is still empty (no scroll bar).
    const int w = list->width() - 2 * list->frameWidth();
    list->setColumnWidth(0, w / 7);
    list->setColumnWidth(1, w * 26 / 47);
    list->setColumnWidth(2, w / 4);
    list->horizontalHeader()->setSectionsMovable(true);
    list->SetReadOnlyColumn(0, true);
    list->SetReadOnlyColumn(1, true);
}

void DlgDZCS::BuildLists() {
    const DialogUnits units = DialogUnits::FromFont(font());
    const int top = menuBar_->sizeHint().height();
    settingList_ = new combolist::ComboListCtrl(this);
    paramList_ = new combolist::ComboListCtrl(this);
    const QRect left = units.MapDialogRect(kSettingListRect).translated(0, top);
    settingList_->setGeometry(left);
    // Same size as the left list whatever the rounding of the right one's edges.
    paramList_->setGeometry(QRect(QPoint(units.ToPixelsX(kParamListRect.left()), left.top()), left.size()));
    SetUpList(settingList_, "定值名称", kSettingListId);
    SetUpList(paramList_, "参数名称", kParamListId);
    // Which value cells are choice cells is fixed here, from the table as it is now.
    std::lock_guard lock(*ctx_.tablesMutex);
    const config::SettingTable& table = *ctx_.setting;
    for (int i = 0; i < SettingRowCount(table); ++i) {
        if (table.ValueNmuber[i] != 0) settingList_->SetChoiceCell(kValueColumn, i, true);
    }
}

void DlgDZCS::BuildButtons() {
    const DialogUnits units = DialogUnits::FromFont(font());
    const int top = menuBar_->sizeHint().height();
    const std::function<void()> commands[] = {
        [this] { UploadSettingsCommand(); },   [this] { DownloadSettingsCommand(); },
        [this] { UploadParametersCommand(); }, [this] { DownloadParametersCommand(); },
        [this] { ExportInformation(); },
    };
    for (int i = 0; i < 5; ++i) {
        auto* button = new QPushButton(QString::fromUtf8(kButtonText[i]), this);
        button->setAutoDefault(false);  // Enter hides the window instead of pressing the focused button
        button->setGeometry(
            units.MapDialogRect(QRect(QPoint(kButtonLeft[i], kButtonTop), kButtonSize)).translated(0, top));
        connect(button, &QPushButton::clicked, this, commands[i]);
        buttons_[i] = button;
    }
    buttons_[static_cast<int>(Button::Export)]->setVisible(false);
}

QPushButton* DlgDZCS::ButtonWidget(Button button) const {
    return buttons_[static_cast<int>(button)];
}

void DlgDZCS::RefreshSettingList() {
    bridge_.Run([this] { FillSettingList(); });
}

void DlgDZCS::RefreshParamList() {
    bridge_.Run([this] { FillParamList(); });
}

void DlgDZCS::FillSettingList() {
    std::vector<QStringList> rows;
    {
        std::lock_guard lock(*ctx_.tablesMutex);
        const config::SettingTable& table = *ctx_.setting;
        for (int i = 0; i < SettingRowCount(table); ++i) {
            rows.push_back({QString::number(i + 1), Qs(SettingNameText(table, i)),
                            Qs(SettingValueText(table, i, settingList_->IsChoiceCell(kValueColumn, i)))});
        }
    }
    settingList_->setRowCount(0);
    for (const QStringList& row : rows) settingList_->AppendRow(row);
}

void DlgDZCS::FillParamList() {
    std::vector<QStringList> rows;
    {
        std::lock_guard lock(*ctx_.tablesMutex);
        const config::ParamTable& table = *ctx_.param;
        for (int i = 0; i < ParamRowCount(table); ++i) {
            rows.push_back(
                {QString::number(i + 1), Qs(ParamNameText(table, i)), Qs(ParamValueText(table, i))});
        }
    }
    paramList_->setRowCount(0);
    for (const QStringList& row : rows) paramList_->AppendRow(row);
}

void DlgDZCS::OnCellChoices(combolist::ComboListCtrl& list, int key, QStringList& items) {
    if (&list != settingList_) return;  // parameters have no choices
    const int row = key & 0xFFFF;
    std::lock_guard lock(*ctx_.tablesMutex);
    if (row >= SettingRowCount(*ctx_.setting)) return;
    for (const std::string& item : SettingChoices(*ctx_.setting, row)) items << Qs(item);
}

void DlgDZCS::OnCellEdited(const combolist::CellEditRecord& record) {
    if (record.column != kValueColumn || record.list == nullptr) return;
    combolist::ComboListCtrl& list = *record.list;
    if (record.row < 0 || record.row >= list.rowCount()) return;
    // An edit that ends with the text it started from stores nothing, even when a refresh has put another
    // value into the cell meanwhile (an upload's reply while the editor was open). A refused edit leaves the
    // cell as it is now.
    const QString shown = list.CellText(record.row, record.column);
    const std::string start = record.startText.toStdString();
    const std::string text = record.text.toStdString();
    EditOutcome outcome;
    {
        std::lock_guard lock(*ctx_.tablesMutex);
        if (&list == settingList_) {
            const bool choice = list.IsChoiceCell(record.column, record.row);
            outcome = EditSetting(*ctx_.setting, record.row, choice, start, text);
        } else {
            outcome = EditParameter(*ctx_.param, record.row, start, text);
        }
    }
    list.SetCellText(record.row, record.column, outcome.stored ? Qs(outcome.cellText) : shown);
    if (!outcome.message.empty()) Prompts().Inform(outcome.message);
}

void DlgDZCS::SetPrompts(SettingsPrompts* prompts) {
    prompts_ = prompts;
}

SettingsPrompts& DlgDZCS::Prompts() {
    return prompts_ != nullptr ? *prompts_ : *qtPrompts_;
}

void DlgDZCS::UploadSettingsCommand() {
    ui::UploadSettingsCommand(*target_, Prompts());
}
void DlgDZCS::DownloadSettingsCommand() {
    ui::DownloadSettingsCommand(*target_, Prompts());
}
void DlgDZCS::UploadParametersCommand() {
    ui::UploadParametersCommand(*target_, Prompts());
}
void DlgDZCS::DownloadParametersCommand() {
    ui::DownloadParametersCommand(*target_, Prompts());
}

void DlgDZCS::SaveProjectFile() {
    ProjectContext project{ctx_.setting, ctx_.param, ctx_.tablesMutex, platform::ProgramFolder(),
                           &Prompts(),   {}};
    ui::SaveProjectFile(project);
}

void DlgDZCS::OpenProjectFile() {
    ProjectContext project{
        ctx_.setting, ctx_.param, ctx_.tablesMutex, platform::ProgramFolder(), &Prompts(), [this] {
            RefreshSettingList();
            RefreshParamList();
        }};
    ui::OpenProjectFile(project);
}

void DlgDZCS::ExportInformation() {
    if (export_) {
        export_();
        return;
    }
    auto setting = std::make_unique<config::SettingTable>();
    auto param = std::make_unique<config::ParamTable>();
    {
        std::lock_guard lock(*ctx_.tablesMutex);
        *setting = *ctx_.setting;
        *param = *ctx_.param;
    }
    QtExportView view(*this);
    ui::ExportInformation(view, platform::ProgramFolder(), ctx_.Now(), *setting, *param,
                          [this](int row) { return settingList_->IsChoiceCell(kValueColumn, row); });
}

bool DlgDZCS::IsChoiceRow(int row) const {
    return settingList_->IsChoiceCell(kValueColumn, row);
}

bool DlgDZCS::WriteSettingsSheet(const std::string& path) {
    auto setting = std::make_unique<config::SettingTable>();
    auto param = std::make_unique<config::ParamTable>();
    {
        std::lock_guard lock(*ctx_.tablesMutex);
        *setting = *ctx_.setting;
        *param = *ctx_.param;
    }
    const DeviceTexts device = deviceTexts_ ? deviceTexts_() : DeviceTexts{};
    const std::vector<SheetLine> lines = SettingsSheetLines(
        *setting, *param, [this](int row) { return IsChoiceRow(row); }, device, ctx_.Now());
    const QByteArray pdf = RenderSheetPdf(PaginateSheet(lines, SheetRowsPerPage()));
    return !pdf.isEmpty() &&
           platform::WriteWholeFile(path,
                                    std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
}

void DlgDZCS::PrintSettingsSheet() {
    const std::string path = SheetFilePath(platform::ProgramFolder(), ctx_.Now());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = WriteSettingsSheet(path);
    QApplication::restoreOverrideCursor();
    if (!written) {
        Prompts().Warn(kSheetFailed + path);
        return;
    }
    OpenDocument(path);
}

void DlgDZCS::CompareProjectFile() {
    ProjectContext project{ctx_.setting, ctx_.param, ctx_.tablesMutex, platform::ProgramFolder(),
                           &Prompts(),   {}};
    ShowComparison(ui::CompareProjectFile(project, [this](int row) { return IsChoiceRow(row); }));
}

void DlgDZCS::CompareWithProjectFile(const std::string& path) {
    ProjectContext project{ctx_.setting, ctx_.param, ctx_.tablesMutex, platform::ProgramFolder(),
                           &Prompts(),   {}};
    ShowComparison(ui::CompareWithProjectFile(project, path, [this](int row) { return IsChoiceRow(row); }));
}

void DlgDZCS::ShowComparison(const std::optional<ProjectComparisonResult>& result) {
    if (!result) return;  // cancelled, or refused with its message
    if (result->differences.empty()) {
        Prompts().Inform(kCompareNoDifference);
        return;
    }
    if (comparison_ == nullptr) comparison_ = new ProjectComparisonWindow(this);
    comparison_->ShowComparison(*result);
}

void DlgDZCS::ShowCopyright() {
    if (runSplash_) {
        runSplash_();
        return;
    }
    DlgLog splash(this);
    splash.exec();
}

std::string DlgDZCS::HelpDocumentPath() {
    return platform::InProgramFolder("帮助文件/help.pdf");
}

void DlgDZCS::OpenHelp() {
    // Neither the file's existence nor the viewer's start is checked: the desktop reports what fails.
    OpenDocument(HelpDocumentPath());
}

void DlgDZCS::OpenDocument(const std::string& path) {
    if (openDocument_) {
        openDocument_(path);
        return;
    }
    platform::OpenDocument(path);
}

void DlgDZCS::closeEvent(QCloseEvent* event) {
    event->ignore();  // never destroyed: the fade hides it
    FadeOutWindow(this);
    hide();
}

void DlgDZCS::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            hide();  // an open editor takes these keys itself
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace ui
