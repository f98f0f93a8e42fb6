#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <mutex>

#include "SrcComboListCtrl/InPlaceCombo.h"
#include "SrcComboListCtrl/InPlaceEdit.h"
#include "Suites.h"
#include "engine/EngineContext.h"
#include "platform/ProgramFolder.h"
#include "support/GuiShots.h"
#include "ui/common/FadeOut.h"
#include "ui/settings/DlgDZCS.h"
#include "ui/settings/EditRules.h"
#include "ui/settings/ProjectComparison.h"
#include "ui/settings/ProjectComparisonWindow.h"
#include "ui/settings/ProjectFile.h"
#include "ui/settings/SettingsSheet.h"
#include "unit/settings/FakePrompts.h"

using combolist::InPlaceCombo;
using combolist::InPlaceEdit;
using ui::DlgDZCS;

namespace {

// 退出 and 投入 in GBK, as the INI file holds them.
constexpr char kOff[] = "\xCD\xCB\xB3\xF6";
constexpr char kOn[] = "\xCD\xB6\xC8\xEB";

struct Fixture {
    engine::EngineState state;
    std::unique_ptr<config::SettingTable> setting = std::make_unique<config::SettingTable>();
    std::unique_ptr<config::ParamTable> param = std::make_unique<config::ParamTable>();
    std::mutex mutex;
    engine::EngineContext ctx;
    settings_test::FakePrompts prompts;

    Fixture() {
        config::SettingTable& s = *setting;
        s.Start = 100;
        s.Number = 3;
        const char* names[] = {"\xB5\xE7\xC1\xF7\xB6\xA8\xD6\xB5", "Time", "Switch"};  // 电流定值
        for (int i = 0; i < 3; ++i) {
            config::SetText(s.Name[i], names[i]);
            s.RawValue[i] = config::kRawNone;
            s.CC2[i] = 100;
            s.Max[i] = 500;
            s.Post[i] = static_cast<std::uint8_t>(i + 1);
        }
        s.CC2[1] = 1000;
        s.Max[1] = 60000;
        s.RawValue[1] = 1234;
        s.Value[1] = 1.234f;
        s.ValueNmuber[2] = 2;
        config::SetText(s.ValueDescribe[2][0], kOff);
        config::SetText(s.ValueDescribe[2][1], kOn);
        config::ParamTable& p = *param;
        p.Start = 200;
        p.Number = 25;
        for (int i = 0; i < 25; ++i) {
            config::SetText(p.Name[i], "P" + std::to_string(i));
            p.ShowName[i] = i == 3 ? 0 : 1;
            p.RawValue[i] = config::kRawNone;
            p.Post[i] = static_cast<std::uint8_t>(i + 1);
        }
        p.RawValue[0] = 7;
        ctx.state = &state;
        ctx.setting = setting.get();
        ctx.param = param.get();
        ctx.tablesMutex = &mutex;
    }
};

}  // namespace

class DlgDZCSTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<Fixture> f_;
    std::unique_ptr<DlgDZCS> window_;

    void Click(combolist::ComboListCtrl* list, int row, int column) {
        const QPoint centre(list->columnViewportPosition(column) + list->columnWidth(column) / 2,
                            list->rowViewportPosition(row) + list->rowHeight(row) / 2);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    }
    void Type(combolist::ComboListCtrl* list, int row, const QString& text, Qt::Key end = Qt::Key_Return) {
        Click(list, row, 2);
        QVERIFY(InPlaceEdit::GetInstance()->Editing());
        QTest::keyClicks(InPlaceEdit::GetInstance(), text);
        QTest::keyClick(InPlaceEdit::GetInstance(), end);
    }
    QAction* MenuItem(const QString& text) {
        for (QAction* action : window_->MenuBar()->findChildren<QAction*>()) {
            if (action->text() == text) return action;
        }
        return nullptr;
    }

  private slots:
    void init() {
        f_ = std::make_unique<Fixture>();
        window_ = std::make_unique<DlgDZCS>(f_->ctx);
        window_->SetPrompts(&f_->prompts);
        window_->show();
        QApplication::setActiveWindow(window_.get());
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }
    void cleanup() {
        window_.reset();
        QVERIFY(f_->ctx.settingsView.load() == nullptr);
        f_.reset();
    }

    void layoutTitlesColumnsAndMenu() {
        QCOMPARE(window_->windowTitle(), QString("定值参数管理"));
        QCOMPARE(f_->ctx.settingsView.load(), static_cast<engine::SettingsView*>(window_.get()));
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        auto* s = window_->SettingList();
        auto* p = window_->ParamList();
        QCOMPARE(s->size(), p->size());
        QVERIFY(s->geometry().right() < p->geometry().left());
        QVERIFY(s->geometry().bottom() <
                window_->ButtonWidget(DlgDZCS::Button::UploadSettings)->geometry().top());
        QCOMPARE(s->horizontalHeaderItem(1)->text(), QString("定值名称"));
        QCOMPARE(p->horizontalHeaderItem(1)->text(), QString("参数名称"));
        QCOMPARE(p->horizontalHeaderItem(0)->text(), QString("序号"));
        QCOMPARE(p->horizontalHeaderItem(2)->text(), QString("数值"));
        const int w = s->width() - 2 * s->frameWidth();
        QCOMPARE(s->columnWidth(0), w / 7);
        QCOMPARE(s->columnWidth(1), w * 26 / 47);
        QCOMPARE(s->columnWidth(2), w / 4);
        QStringList texts;
        for (auto b : {DlgDZCS::Button::UploadSettings, DlgDZCS::Button::DownloadSettings,
                       DlgDZCS::Button::UploadParameters, DlgDZCS::Button::DownloadParameters})
            texts << window_->ButtonWidget(b)->text();
        QCOMPARE(texts, QStringList({"上装定值", "下载定值", "上装参数", "下载参数"}));
        QVERIFY(!window_->ButtonWidget(DlgDZCS::Button::Export)->isVisible());
        QStringList menus;
        for (QAction* a : window_->MenuBar()->actions()) menus << a->text();
        QCOMPARE(menus, QStringList({"文件(&F)", "查看(&V)", "帮助(&H)"}));
        QVERIFY(window_->MenuBar()->actions()[1]->menu() == nullptr);
        QStringList fileItems;
        for (QAction* a : window_->MenuBar()->actions()[0]->menu()->actions())
            if (!a->isSeparator()) fileItems << a->text();
        QCOMPARE(fileItems, QStringList({"信息导出", "打开定值参数", "保存定值参数", "打印定值单…",
                                         "比较项目文件…", "退出"}));
        QVERIFY(window_->grab().save(test_support::GuiShotPath(QStringLiteral("settings-window.png"))));
    }

    void listsShowTheTables() {
        auto* s = window_->SettingList();
        QCOMPARE(s->rowCount(), 3);
        QCOMPARE(s->CellText(0, 0), QString("1"));
        QCOMPARE(s->CellText(0, 1), QString("电流定值"));
        QCOMPARE(s->CellText(0, 2), QString());
        QCOMPARE(s->CellText(1, 2), QString("1.234"));
        QVERIFY(s->IsChoiceCell(2, 2) && !s->IsChoiceCell(2, 1));
        QVERIFY(s->IsReadOnlyColumn(0) && s->IsReadOnlyColumn(1) && !s->IsReadOnlyColumn(2));
        auto* p = window_->ParamList();
        QCOMPARE(p->rowCount(), 25);
        QCOMPARE(p->CellText(0, 2), QString("7"));
        QCOMPARE(p->CellText(3, 1), QString("--------------------"));
        QCOMPARE(p->CellText(3, 2), QString());
    }

    void editsStoreTheValueAndShowItAsListed() {
        auto* s = window_->SettingList();
        Type(s, 0, "0.29");
        QCOMPARE(f_->setting->RawValue[0], 29);
        QCOMPARE(s->CellText(0, 2), QString("0.29"));
        Type(s, 0, "1.005");  // 100.5 truncated: the cell shows what a download sends
        QCOMPARE(f_->setting->RawValue[0], 100);
        QCOMPARE(s->CellText(0, 2), QString("1.00"));
        auto* p = window_->ParamList();
        Type(p, 3, "+12");
        QCOMPARE(f_->param->RawValue[3], 12);
        QCOMPARE(p->CellText(3, 2), QString("12"));
        QVERIFY(f_->prompts.shown.empty());
    }

    void refusedEditsKeepTableAndCell() {
        auto* s = window_->SettingList();
        auto* p = window_->ParamList();
        Type(s, 1, "abc");
        Type(s, 1, "5.01e3");
        Type(p, 0, "70000");
        Type(p, 0, "12abc");
        QCOMPARE(f_->prompts.shown,
                 std::vector<std::string>(
                     {"inform: 输入无效，请输入数字！", "inform: 定值越限，范围：0.000000 ~ 60.000000",
                      "inform: 参数越限，范围：0 ~ 65535", "inform: 输入无效，请输入数字！"}));
        QCOMPARE(f_->setting->RawValue[1], 1234);
        QCOMPARE(s->CellText(1, 2), QString("1.234"));
        QCOMPARE(f_->param->RawValue[0], 7);
        QCOMPARE(p->CellText(0, 2), QString("7"));
    }

    void clickingUnreadCellsStoresNothing() {
        auto* s = window_->SettingList();
        auto* p = window_->ParamList();
        Click(p, 5, 2);
        Click(s, 0, 2);  // leaves the parameter, opens the setting
        Click(s, 2, 2);  // leaves the setting, opens the choice
        QVERIFY(InPlaceCombo::GetInstance()->Editing());
        Click(s, 1, 0);  // leaves the choice without a pick
        QCOMPARE(f_->param->RawValue[5], config::kRawNone);
        QCOMPARE(f_->setting->RawValue[0], config::kRawNone);
        QCOMPARE(f_->setting->RawValue[2], config::kRawNone);
        QCOMPARE(s->CellText(2, 2), QString());
        QVERIFY(f_->prompts.shown.empty());
    }

    void editEndedAfterARefreshKeepsTheRefreshedValue() {
        // An upload's reply refills the lists while an editor is open; leaving the editor unchanged must not
        // put the value it opened with back into the table.
        auto* s = window_->SettingList();
        auto* p = window_->ParamList();
        Click(s, 1, 2);
        QVERIFY(InPlaceEdit::GetInstance()->Editing());
        f_->setting->RawValue[1] = 2000;
        f_->setting->Value[1] = 2.0f;
        window_->RefreshSettingList();
        QTest::keyClick(InPlaceEdit::GetInstance(), Qt::Key_Escape);
        QCOMPARE(f_->setting->RawValue[1], 2000);
        QCOMPARE(s->CellText(1, 2), QString("2.000"));

        Click(p, 0, 2);
        f_->param->RawValue[0] = 9;
        window_->RefreshParamList();
        QTest::keyClick(InPlaceEdit::GetInstance(), Qt::Key_Return);  // nothing typed
        QCOMPARE(f_->param->RawValue[0], 9);
        QCOMPARE(p->CellText(0, 2), QString("9"));

        Click(s, 2, 2);  // a choice cell not yet read, then read as 投入
        QVERIFY(InPlaceCombo::GetInstance()->Editing());
        f_->setting->RawValue[2] = 1;
        f_->setting->Value[2] = 1.0f;
        window_->RefreshSettingList();
        Click(s, 0, 0);  // leaves the drop-down without a pick
        QCOMPARE(f_->setting->RawValue[2], 1);
        QCOMPARE(s->CellText(2, 2), QString("投入"));

        Click(p, 1, 2);  // a refused text leaves the refreshed cell as it is
        f_->param->RawValue[1] = 5;
        window_->RefreshParamList();
        QTest::keyClicks(InPlaceEdit::GetInstance(), "x");
        QTest::keyClick(InPlaceEdit::GetInstance(), Qt::Key_Return);
        QCOMPARE(f_->param->RawValue[1], 5);
        QCOMPARE(p->CellText(1, 2), QString("5"));
        QCOMPARE(f_->prompts.shown,
                 std::vector<std::string>{std::string("inform: ") + ui::kInvalidNumberMessage});
    }

    void choiceCellStoresThePickedDescription() {
        auto* s = window_->SettingList();
        Click(s, 2, 2);
        InPlaceCombo* combo = InPlaceCombo::GetInstance();
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(1), QString("投入"));
        QVERIFY(window_->grab().save(test_support::GuiShotPath(QStringLiteral("settings-choice-edit.png"))));
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Return);
        QCOMPARE(f_->setting->RawValue[2], 1);
        QCOMPARE(f_->setting->Value[2], 1.0f);
        QCOMPARE(s->CellText(2, 2), QString("投入"));
        window_->RefreshSettingList();
        QCOMPARE(s->CellText(2, 2), QString("投入"));
    }

    void buttonsWarnAskAndQueue() {
        f_->state.commOk = false;
        window_->ButtonWidget(DlgDZCS::Button::UploadSettings)->click();
        QCOMPARE(f_->prompts.shown, std::vector<std::string>{"notice: 通讯错误，暂时不能上装定值"});
        auto frame = f_->state.commandSlot.Bytes();
        QCOMPARE(int(f_->state.commandSlot.Length()), 8);
        QCOMPARE(int(frame[1]), 3);
        QCOMPARE(int(frame[3]), 100);
        f_->state.commandSlot.Clear();
        f_->prompts.shown.clear();

        window_->ButtonWidget(DlgDZCS::Button::DownloadParameters)->click();
        QCOMPARE(f_->prompts.shown, std::vector<std::string>{"notice: 通讯错误，暂时不能下载参数！"});
        QVERIFY(f_->state.commandSlot.Empty());

        f_->state.commOk = true;
        f_->prompts.shown.clear();
        f_->prompts.answers = {false};
        window_->ButtonWidget(DlgDZCS::Button::DownloadParameters)->click();  // 24 unread
        QCOMPARE(f_->prompts.shown, std::vector<std::string>{"ask: 系统未检测有效参数，是否先上装参数？"});
        QVERIFY(f_->state.commandSlot.Empty());
        for (int i = 1; i < 5; ++i) f_->param->RawValue[i] = 1;  // 20 unread
        window_->ButtonWidget(DlgDZCS::Button::DownloadParameters)->click();
        QCOMPARE(int(f_->state.commandSlot.Length()), 9 + 2 * 25);
        QCOMPARE(int(f_->state.commandSlot.Bytes()[1]), 16);
    }

    void menuItemsAndKeys() {
        int exports = 0;
        int splashes = 0;
        std::string opened;
        window_->SetExportAction([&] { ++exports; });
        window_->SetSplashRunner([&] { ++splashes; });
        window_->SetDocumentOpener([&](const std::string& path) { opened = path; });
        MenuItem("信息导出")->trigger();
        window_->ButtonWidget(DlgDZCS::Button::Export)->click();
        MenuItem("版权信息")->trigger();
        MenuItem("帮助使用")->trigger();
        QCOMPARE(exports, 2);
        QCOMPARE(splashes, 1);
        QCOMPARE(QString::fromStdString(opened),
                 QString::fromStdString(platform::InProgramFolder("帮助文件/help.pdf")));
        QVERIFY(opened.ends_with("/帮助文件/help.pdf"));

        window_->ExitAction()->trigger();
        QVERIFY(!window_->isVisible());
        window_->show();
        QTest::keyClick(window_.get(), Qt::Key_Escape);
        QVERIFY(!window_->isVisible());
        window_->show();
        const auto before = ui::SetFadeDuration(std::chrono::milliseconds(20));
        window_->close();
        ui::SetFadeDuration(before);
        QVERIFY(!window_->isVisible());
        window_->show();  // hidden, not destroyed: shows again with the lists as they were
        QCOMPARE(window_->ParamList()->rowCount(), 25);
    }

    void exportWritesAWorkbookAndOffersToOpenIt() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath("信息导出"));
        platform::SetProgramFolder(dir.path().toStdString());
        std::string opened;
        window_->SetDocumentOpener([&](const std::string& path) { opened = path; });
        MenuItem("信息导出")->trigger();
        QCOMPARE(f_->prompts.shown.size(), std::size_t{1});
        QVERIFY(f_->prompts.shown[0].starts_with("ask: 已导出文件："));
        QVERIFY(opened.starts_with(dir.path().toStdString() + "/信息导出/"));
        QVERIFY(QFileInfo(QString::fromStdString(opened)).size() > 0);
    }

    void exportThatCannotWriteSaysSoAndOffersNothing() {
        QTemporaryDir dir;  // no 信息导出 folder: the workbook cannot be written
        QVERIFY(dir.isValid());
        platform::SetProgramFolder(dir.path().toStdString());
        bool opened = false;
        window_->SetDocumentOpener([&](const std::string&) { opened = true; });
        window_->ButtonWidget(DlgDZCS::Button::Export)->click();
        QCOMPARE(f_->prompts.shown.size(), std::size_t{1});
        const std::string& box = f_->prompts.shown[0];
        QVERIFY2(box.starts_with("warn: 导出文件失败：" + dir.path().toStdString() + "/信息导出/"),
                 box.c_str());
        QVERIFY(box.find(".xls\n") != std::string::npos);  // followed by the writer's error
        QVERIFY(!opened);
        QVERIFY(!QApplication::overrideCursor());  // the wait cursor is gone again
    }

    void openingAProjectRefreshesBothLists() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto setting = std::make_unique<config::SettingTable>(*f_->setting);
        auto param = std::make_unique<config::ParamTable>(*f_->param);
        setting->RawValue[0] = 250;
        setting->Value[0] = 2.5f;
        setting->ValueNmuber[0] = 5;  // choice marks stay as they were at creation
        param->Number = 2;
        param->RawValue[1] = 9600;
        const std::string path = dir.filePath("p.prj").toStdString();
        QVERIFY(ui::WriteProjectFile(path, ui::EncodeProject(*setting, *param)) == ui::ProjectFileResult::Ok);
        f_->prompts.filePath = path;
        MenuItem("打开定值参数")->trigger();
        QCOMPARE(window_->SettingList()->CellText(0, 2), QString("2.50"));
        QVERIFY(!window_->SettingList()->IsChoiceCell(2, 0));
        QCOMPARE(window_->ParamList()->rowCount(), 2);
        QCOMPARE(window_->ParamList()->CellText(1, 2), QString("9600"));
        QVERIFY(f_->prompts.shown.empty());
    }

    void printedSheetIsAPdfWithTheFontInItAndIsOpened() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath("信息导出"));
        platform::SetProgramFolder(dir.path().toStdString());
        std::string opened;
        window_->SetDocumentOpener([&](const std::string& path) { opened = path; });
        window_->SetDeviceTexts([] { return ui::DeviceTexts{"VARN", "V1.63"}; });
        MenuItem("打印定值单…")->trigger();
        QVERIFY(f_->prompts.shown.empty());
        QVERIFY2(
            opened.starts_with(dir.path().toStdString() + "/信息导出/定值单 ") && opened.ends_with(".pdf"),
            opened.c_str());
        QFile pdf(QString::fromStdString(opened));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.contains("/FontFile2"));  // the glyphs travel with the file
        // 3 settings and 25 parameters fill two pages ("/Type /Pages" is their list).
        QCOMPARE(bytes.count("/Type /Page") - bytes.count("/Type /Pages"), 2);

        // Without 信息导出 nothing is written and nothing opened.
        QVERIFY(QDir(dir.filePath("信息导出")).removeRecursively());
        opened.clear();
        MenuItem("打印定值单…")->trigger();
        QCOMPARE(f_->prompts.shown.size(), std::size_t{1});
        QVERIFY(f_->prompts.shown[0].starts_with(std::string("warn: ") + ui::kSheetFailed +
                                                 dir.path().toStdString()));
        QVERIFY(opened.empty());
    }

    void comparisonListsTheDifferingValuesOrSaysNoneDiffers() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string path = dir.filePath("p.prj").toStdString();
        auto setting = std::make_unique<config::SettingTable>(*f_->setting);
        auto param = std::make_unique<config::ParamTable>(*f_->param);
        setting->RawValue[2] = 0;  // 退出 where the window has no value
        param->RawValue[0] = 8;
        QVERIFY(ui::WriteProjectFile(path, ui::EncodeProject(*setting, *param)) == ui::ProjectFileResult::Ok);
        const auto before = ui::EncodeProject(*f_->setting, *f_->param);
        f_->prompts.filePath = path;
        MenuItem("比较项目文件…")->trigger();
        ui::ProjectComparisonWindow* shown = window_->ComparisonWindow();
        QVERIFY(shown && shown->isVisible());
        QCOMPARE(shown->windowTitle(), QString("比较项目文件"));
        QTableWidget* table = shown->Table();
        QCOMPARE(table->rowCount(), 2);
        const auto row = [table](int r) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c) cells << table->item(r, c)->text();
            return cells;
        };
        QCOMPARE(row(0), QStringList({"定值", "3", "Switch", "未读取", "退出"}));
        QCOMPARE(row(1), QStringList({"参数", "1", "P0", "7", "8"}));
        QVERIFY(shown->Summary()->text().contains(QString::fromStdString(path)));
        QCOMPARE(ui::EncodeProject(*f_->setting, *f_->param), before);  // the tables stay as they were
        QCOMPARE(window_->ParamList()->CellText(0, 2), QString("7"));
        QVERIFY(f_->prompts.shown.empty());
        shown->hide();

        QVERIFY(ui::WriteProjectFile(path, before) == ui::ProjectFileResult::Ok);
        MenuItem("比较项目文件…")->trigger();
        QCOMPARE(f_->prompts.shown,
                 std::vector<std::string>{std::string("inform: ") + ui::kCompareNoDifference});
        QVERIFY(!shown->isVisible());
    }
};

int RunDlgDZCSTests(int argc, char** argv) {
    DlgDZCSTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DlgDZCSTest.moc"
