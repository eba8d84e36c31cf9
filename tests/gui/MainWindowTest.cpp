#include "shell/gui/MainWindow.h"

#include "HostFixture.h"
#include "ModalDriver.h"
#include "TestRegistry.h"
#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/Event.h"
#include "library/ServiceList.h"
#include "shell/CommandLine.h"
#include "shell/ServerHost.h"
#include "shell/StoredLists.h"
#include "shell/gui/WindowLog.h"
#include "web/UserList.h"
#include "web/WebUser.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace tb::test {

// The main window over a real store in a temporary folder.
class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<HostFixture> fixture_;
    ServerHost* host_ = nullptr;
    WindowLog* log_ = nullptr;

    void AddUser(const char* id) {
        auto user = std::make_shared<WebUser>();
        user->id = id;
        user->name = id;
        host_->Users().Add(user);
    }
    QListWidget* UserList(MainWindow& window) { return window.findChildren<QListWidget*>().at(0); }
    size_t StoredServices() {
        ServiceList stored;
        LoadServices(*fixture_->OpenStore(), stored);
        ServiceList::Guard lock(stored);
        return stored.Items().size();
    }
    Settings Stored() { return fixture_->StoredSettings(); }

private slots:
    void init() {
        fixture_ = std::make_unique<HostFixture>();
        host_ = fixture_->host.get();
        log_ = &fixture_->log;
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
        QVERIFY(Click(&window, "Del", 0)); // nothing selected: no question
        UserList(window)->item(0)->setSelected(true);
        QVERIFY(Click(&window, "Del", 0));
        QCOMPARE(host_->Users().Count(), size_t(2));
        QVERIFY(Click(&window, "Del", 0));
        QVERIFY(driver.Done());
        QCOMPARE(host_->Users().Count(), size_t(1));
        tb::UserList stored;
        LoadUsers(*fixture_->OpenStore(), stored);
        QCOMPARE(stored.Count(), size_t(1));
        QVERIFY(stored.FindById("bob"));
    }

    // Station, "<< &Back", then a directory: only the directory is added,
    // and nothing is stored before "&Finish".
    void addServiceGoesBackToTheChooser() {
        QTemporaryDir music;
        MainWindow window(*host_, *log_, true);
        ModalDriver driver;
        driver.Then([](QWidget* chooser) {
            chooser->findChildren<QRadioButton*>()[1]->setChecked(true);
            QVERIFY(Click(chooser, "&Next >>"));
        });
        driver.Then([](QWidget* station) {
            QCOMPARE(station->windowTitle(), QString("Add a radio station"));
            station->findChildren<QLineEdit*>()[0]->setText("Jazz FM");
            QVERIFY(Click(station, "<< &Back"));
        });
        driver.Then([](QWidget* chooser) { QVERIFY(Click(chooser, "&Next >>")); });
        driver.Then([this, &music](QWidget* share) {
            QCOMPARE(share->windowTitle(), QString("Add a local directory"));
            QCOMPARE(StoredServices(), size_t(0));
            QList<QLineEdit*> fields = share->findChildren<QLineEdit*>();
            fields[0]->setText("Jazz");
            fields[2]->setText(music.path());
            QVERIFY(Click(share, "&Finish"));
        });
        QVERIFY(Click(&window, "Add", 1));
        QVERIFY(driver.Done());
        QCOMPARE(StoredServices(), size_t(1));
        QCOMPARE(window.findChildren<QListWidget*>().at(1)->item(0)->text(), QString("Jazz"));
    }

    // Editing replaces the entry in place; what the server knows of it stays.
    void editUserReplacesTheEntry() {
        MainWindow window(*host_, *log_, true);
        host_->Users().SetStatus("bob", "Playing", 0);
        UserList(window)->item(1)->setSelected(true);
        ModalDriver driver;
        driver.Then([](QWidget* editor) {
            QCOMPARE(editor->windowTitle(), QString("Edit web user data"));
            editor->findChildren<QLineEdit*>()[0]->setText("Robert");
            QVERIFY(Click(editor, "OK"));
        });
        QVERIFY(Click(&window, "Edit", 0));
        QVERIFY(driver.Done());
        QCOMPARE(host_->Users().Count(), size_t(2));
        auto bob = host_->Users().FindById("bob");
        QCOMPARE(host_->Users().NameOf(bob), String("Robert"));
        QCOMPARE(host_->Users().ActivityOf(bob).status, String("Playing"));
        QCOMPARE(UserList(window)->item(1)->text(), QString("Robert"));
    }

    // Several playlists dropped at once are imported only after a yes; one
    // is imported at once.
    void droppedPlaylistsBecomeStations() {
        QTemporaryDir folder;
        QStringList files;
        for (const char* name : {"Jazz FM", "Blues", "Talk"}) {
            QFile file(folder.filePath(QString(name) + ".pls"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[playlist]\nNumberOfEntries=1\nFile1=http://radio.example:8000/\n");
            files << file.fileName();
        }
        MainWindow window(*host_, *log_, true);
        ModalDriver driver;
        driver.Then([](QWidget* box) {
            QCOMPARE(static_cast<QMessageBox*>(box)->text(),
                     QString("Import 2 files as radio stations?"));
            static_cast<QMessageBox*>(box)->button(QMessageBox::Cancel)->click();
        });
        driver.Then(
            [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click(); });
        const struct {
            QStringList files;
            size_t stored;
        } drops[] = {{files.mid(0, 2), 0}, {files.mid(0, 2), 2}, {files.mid(2), 3}};
        for (const auto& drop : drops) {
            QMimeData data;
            QList<QUrl> urls;
            for (const QString& file : drop.files)
                urls << QUrl::fromLocalFile(file);
            data.setUrls(urls);
            QDropEvent event(QPointF(250, 200), Qt::CopyAction, &data, Qt::LeftButton,
                             Qt::NoModifier);
            // Straight to the window: outside a real drag Qt delivers no drop.
            static_cast<QObject&>(window).event(&event);
            QCOMPARE(StoredServices(), drop.stored);
        }
        QVERIFY(driver.Done());
        QListWidget* shares = window.findChildren<QListWidget*>().at(1);
        QStringList shown;
        for (int row = 0; row < shares->count(); ++row)
            shown << shares->item(row)->text();
        QCOMPARE(shown, QStringList({"Blues", "Jazz FM", "Talk"}));
    }

    void cleanup() { fixture_.reset(); }
};

static RegisterTest<MainWindowTest> registration("MainWindowTest");

} // namespace tb::test

#include "MainWindowTest.moc"
