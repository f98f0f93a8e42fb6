#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/GuiShots.h"
#include "ui/hardware_id/DlgSetGetHardID.h"
#include "ui/hardware_id/DlgSureHardID.h"

using namespace ui;

class DlgHardIdTest : public QObject {
    Q_OBJECT
  private slots:
    void EntryWindowConfirmsTwiceAndReturnsTheId() {
        HardwareInfoBytes blank;
        blank.fill(0);
        platform::LocalTime t{2026, 12, 7, 8, 5};
        DlgSetGetHardID w(blank, t);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), QStringLiteral("硬件信息"));
        QCOMPARE(w.FirstBox()->text(), QStringLiteral("0000022612070805"));
        QCOMPARE(w.FirstLabel()->text(), QStringLiteral("时间序列(如有需要请更改)："));
        QVERIFY(w.SerialBox()->isVisible());
        w.grab().save(test_support::GuiShotPath(QStringLiteral("DlgSetGetHardID.png")));
        w.SerialBox()->setText(QStringLiteral("123"));
        w.prompts.askSerialAgain = [](const std::string& ts) -> std::optional<std::string> {
            DlgSureHardID sure(QString::fromStdString(ts));
            sure.show();
            sure.grab().save(test_support::GuiShotPath(QStringLiteral("DlgSureHardID.png")));
            return std::string("123");
        };
        w.prompts.askYesNo = [](const std::string&) { return true; };
        w.Update();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(w.SerialBox()->text(), QStringLiteral("00000123"));
        QCOMPARE(w.IdText(), QStringLiteral("000002261207080500000123"));
    }

    void ValidIdIsReadOnly() {
        HardwareIdBytes id{0, 0, 2, 26, 12, 7, 8, 5, 0, 0, 1, 23};
        DlgSetGetHardID w(WithHardwareIdCrc(id), platform::LocalTime{});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.FirstLabel()->text(), QStringLiteral("设备SN信息："));
        QCOMPARE(w.FirstBox()->text(), QStringLiteral("000002261207080500000123"));
        QVERIFY(!w.UpdateButton()->isEnabled());
        QVERIFY(!w.SerialBox()->isVisible());
        QVERIFY(!w.SerialLabel()->isVisible());
        w.grab().save(test_support::GuiShotPath(QStringLiteral("DlgSetGetHardID-valid.png")));
    }
};

QTEST_MAIN(DlgHardIdTest)
#include "DlgHardIdTest.moc"
