#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "platform/Gbk.h"
#include "support/GuiShots.h"
#include "ui/events/DlgEvent.h"
#include "ui/events/EventRecordFormat.h"

using namespace ui;

class DlgEventTest : public QObject {
    Q_OBJECT
  private slots:
    void OkKeepsEditsEscDropsThem() {
        EventRecordUpload upload;
        upload.SetText(std::string(kEventHeader) + "001、无记录\r\n");
        {
            DlgEvent w(upload);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(w.windowTitle(), QStringLiteral("事件记录"));
            w.grab().save(test_support::GuiShotPath(QStringLiteral("DlgEvent.png")));
            w.TextBox()->moveCursor(QTextCursor::End);
            w.TextBox()->insertPlainText(QStringLiteral("note"));
            QTest::keyClick(w.TextBox(), Qt::Key_Escape);
            QCOMPARE(w.result(), int(QDialog::Rejected));
        }
        QVERIFY(upload.Text().find("note") == std::string::npos);
        {
            DlgEvent w(upload);
            w.show();
            w.TextBox()->moveCursor(QTextCursor::End);
            w.TextBox()->insertPlainText(QStringLiteral("note"));
            QTest::keyClick(w.TextBox(), Qt::Key_Return);
            QCOMPARE(w.result(), int(QDialog::Accepted));
        }
        QCOMPARE(upload.Text(), std::string(kEventHeader) + "001、无记录\r\nnote");
    }

    void SaveWritesTheBoxAsItStands() {
        QTemporaryDir dir;
        EventRecordUpload upload;
        upload.SetText("001、无记录\r\n");
        DlgEvent w(upload);
        const QString path = dir.filePath(QStringLiteral("e.txt"));
        QString title;
        w.askSaveFileName = [&](const QString& t, const QString&, const QString&) -> std::optional<QString> {
            title = t;
            return path;
        };
        w.TextBox()->appendPlainText(QStringLiteral("edited"));
        w.Save();
        QCOMPARE(title, QStringLiteral("Tessel - 保存装置事件记录"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(), platform::Utf8ToGbk("001、无记录\r\n\r\nedited"));
    }
};

QTEST_MAIN(DlgEventTest)
#include "DlgEventTest.moc"
