#include "TestRegistry.h"
#include "shell/gui/IndexProgressDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace tb::test {

class ProgressDialogTest : public QObject {
    Q_OBJECT

    static QStringList Lines(QWidget& dialog) {
        QStringList lines;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            lines << label->text();
        return lines;
    }

private slots:
    // Counts show at each status; Cancel stops the build at its next update.
    void countsAndCancel() {
        IndexProgressDialog dialog(nullptr);
        QVERIFY(dialog.Begin());
        QCOMPARE(Lines(dialog), QStringList({"Reindexing...", "Folders:", "Songs: 0 ", ""}));
        QVERIFY(dialog.KeepGoing(IndexProgress::Item::Folder));
        QVERIFY(dialog.KeepGoing(IndexProgress::Item::Folder));
        QVERIFY(dialog.KeepGoing(IndexProgress::Item::Song));
        QVERIFY(dialog.SetStatus("/music/Jazz"));
        QCOMPARE(Lines(dialog),
                 QStringList({"Reindexing...", "Folders: 2 ", "Songs: 1 ", "/music/Jazz"}));
        dialog.findChild<QPushButton*>()->click();
        QVERIFY(!dialog.KeepGoing(IndexProgress::Item::Song));
        QVERIFY(!dialog.SetStatus("/music/Rock"));
        dialog.End();
        QVERIFY(!dialog.isVisible());
    }
};

static RegisterTest<ProgressDialogTest> registration("ProgressDialogTest");

} // namespace tb::test

#include "ProgressDialogTest.moc"
