#include "ModalDriver.h"
#include "TestRegistry.h"
#include "shell/gui/DisplayText.h"
#include "shell/gui/FirstRunWizard.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace tb::test {

class WizardTest : public QObject {
    Q_OBJECT

    QTemporaryDir music_;

    WizardAnswers Filled() const {
        return {"Den", FromDisplay(music_.path()), "alice", "pw", true, true};
    }
    static QList<QLineEdit*> Fields(QWidget* page) { return page->findChildren<QLineEdit*>(); }

private slots:
    // Field order: name, folder, login ID, password; -1 = accepted.
    void refusesTheFirstFieldThatFails_data() {
        QTest::addColumn<int>("emptied");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("refused");
        QTest::newRow("all given") << -1 << QString() << -1;
        QTest::newRow("no name") << 0 << QString() << 0;
        QTest::newRow("no folder") << 1 << QString() << 1;
        QTest::newRow("no login ID") << 2 << QString() << 2;
        QTest::newRow("no password") << 3 << QString() << 3;
        QTest::newRow("missing folder") << -1 << "/no/such/folder" << 1;
        QTest::newRow("a file, not a folder") << 3 << "/etc/hostname" << 1;
    }
    void refusesTheFirstFieldThatFails() {
        QFETCH(int, emptied);
        QFETCH(QString, folder);
        QFETCH(int, refused);
        WizardIdentityPage page(Filled(), "", nullptr);
        QList<QLineEdit*> fields = Fields(&page);
        QCOMPARE(fields.size(), 4);
        if (!folder.isEmpty())
            fields[1]->setText(folder);
        if (emptied >= 0)
            fields[emptied]->clear();
        page.show();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        page.accept();
        QCOMPARE(page.FirstInvalidField(), refused < 0 ? nullptr : fields[refused]);
        QCOMPARE(page.result(), refused < 0 ? QDialog::Accepted : QDialog::Rejected);
        QCOMPARE(page.isVisible(), refused >= 0);
        if (refused >= 0)
            QTRY_VERIFY(fields[refused]->hasFocus());
    }

    // Back keeps what page one was told; Finished returns it all.
    void backAndFinishReturnTheAnswers() {
        WizardAnswers answers = Filled();
        answers.loginId = "";
        ModalDriver driver;
        driver.Then([](QWidget* page) {
            Fields(page)[2]->setText("bob");
            QVERIFY(Click(page, "Next >>"));
        });
        driver.Then([](QWidget* page) { QVERIFY(Click(page, "<< &Back")); });
        driver.Then([](QWidget* page) {
            QCOMPARE(Fields(page)[2]->text(), QString("bob"));
            QVERIFY(Click(page, "Next >>"));
        });
        driver.Then([](QWidget* page) {
            page->findChildren<QCheckBox*>()[1]->setChecked(false);
            QVERIFY(Click(page, "&Finished"));
        });
        QVERIFY(RunWizard(answers, "", nullptr));
        QVERIFY(driver.Done());
        QCOMPARE(answers.loginId, String("bob"));
        QCOMPARE(answers.name, String("Den"));
        QVERIFY(answers.programShortcut);
        QVERIFY(!answers.webShortcut);
    }

    void cancelOnEitherPageEndsTheWizard() {
        for (bool onPageTwo : {false, true}) {
            WizardAnswers answers = Filled();
            ModalDriver driver;
            if (onPageTwo)
                driver.Then([](QWidget* page) { QVERIFY(Click(page, "Next >>")); });
            driver.Then([](QWidget* page) { QVERIFY(Click(page, "Cancel")); });
            QVERIFY(!RunWizard(answers, "", nullptr));
            QVERIFY(driver.Done());
        }
    }
};

static RegisterTest<WizardTest> registration("WizardTest");

} // namespace tb::test

#include "WizardTest.moc"
