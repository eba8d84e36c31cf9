#include "shell/gui/MainWindow.h"

#include "ModalDriver.h"
#include "TestRegistry.h"
#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/Event.h"
#include "shell/CommandLine.h"
#include "shell/ServerHost.h"
#include "shell/StoredLists.h"
#include "shell/gui/WindowLog.h"
#include "web/UserList.h"
#include "web/WebUser.h"

#include <QListWidget>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace tb::test {

// The main window over a real store in a temporary folder.
class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder_;
    CommandLine options_;
    Event quit_;
    std::unique_ptr<WindowLog> log_;
    std::unique_ptr<ServerHost> host_;

    void AddUser(const char* id) {
        auto user = std::make_shared<WebUser>();
        user->id = id;
        user->name = id;
        host_->Users().Add(user);
    }
    QListWidget* UserList(MainWindow& window) { return window.findChildren<QListWidget*>().at(0); }
    Settings Stored() {
        Settings settings;
        LoadSettings(*RegistryStore::Open(options_.configDir), settings);
        return settings;
    }

private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        options_.configDir = folder_->path().toUtf8().constData();
        log_ = std::make_unique<WindowLog>(quit_, nullptr);
        host_ = std::make_unique<ServerHost>(options_, quit_, *log_);
        host_->OpenStore();
        host_->LoadLists();
        AddUser("alice");
        AddUser("bob");
    }

    // A status shows beside its user until its countdown has run out.
    void activityFadesAfterItsCountdown() {
        MainWindow window(*host_, *log_, true);
        host_->Users().SetStatus("bob", "Browsing", 2);
        window.RefreshUsers();
        QListWidget* users = UserList(window);
        QCOMPARE(users->item(1)->text(), QString("bob"));
        QCOMPARE(users->item(1)->data(Qt::UserRole).toString(), QString("Browsing"));
        QTest::qWait(900);
        QCOMPARE(users->item(1)->data(Qt::UserRole).toString(), QString("Browsing"));
        QTRY_COMPARE_WITH_TIMEOUT(users->item(1)->data(Qt::UserRole).toString(), QString(), 3000);
    }

    // The first close hides the window, says so once and stores that it did.
    void firstCloseLeavesANote() {
        MainWindow window(*host_, *log_, true);
        QSignalSpy notes(&window, &MainWindow::closeNoteWanted);
        for (int close = 0; close < 2; ++close) {
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.close();
            QVERIFY(!window.isVisible());
        }
        QCOMPARE(notes.count(), 1);
        QVERIFY(notes[0][1].toString().startsWith("Tune Bridge is still running!\r\n"));
        QVERIFY(Stored().showedCloseNote);
    }

    // Without a tray nothing could bring a hidden window back.
    void withoutTrayCloseMinimises() {
        MainWindow window(*host_, *log_, false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.close();
        QVERIFY(window.isVisible());
        QVERIFY(!Stored().showedCloseNote);
    }

    // Cancel deletes nothing; OK deletes the selection and saves the list.
    void deleteAsksFirst() {
        MainWindow window(*host_, *log_, true);
        ModalDriver driver;
        driver.Then([](QWidget* box) {
            QCOMPARE(box->windowTitle(), QString("Confirm delete"));
            static_cast<QMessageBox*>(box)->button(QMessageBox::Cancel)->click();
        });
        driver.Then(
            [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click(); });
        QList<QPushButton*> deletes;
        for (QPushButton* button : window.findChildren<QPushButton*>())
            if (button->text() == "Del")
                deletes.append(button);
        deletes[0]->click(); // nothing selected: no question
        UserList(window)->item(0)->setSelected(true);
        deletes[0]->click();
        QCOMPARE(host_->Users().Count(), size_t(2));
        deletes[0]->click();
        QVERIFY(driver.Done());
        QCOMPARE(host_->Users().Count(), size_t(1));
        tb::UserList stored;
        LoadUsers(*RegistryStore::Open(options_.configDir), stored);
        QCOMPARE(stored.Count(), size_t(1));
        QVERIFY(stored.FindById("bob"));
    }

    void cleanup() {
        host_.reset();
        log_.reset();
        folder_.reset();
    }
};

static RegisterTest<MainWindowTest> registration("MainWindowTest");

} // namespace tb::test

#include "MainWindowTest.moc"
