#include "HostFixture.h"
#include "ModalDriver.h"
#include "TestRegistry.h"
#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/Event.h"
#include "shell/CommandLine.h"
#include "shell/ServerHost.h"
#include "shell/gui/MainWindow.h"
#include "shell/gui/Mp3Page.h"
#include "shell/gui/ServerPage.h"
#include "shell/gui/SetupSheet.h"
#include "shell/gui/SkinPage.h"
#include "shell/gui/WindowLog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace tb::test {

// The setup sheet's pages, and the sheet from the main window over a real
// store whose program folder has two skins.
class SetupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<HostFixture> fixture_;
    ServerHost* host_ = nullptr;

    Settings Stored() { return fixture_->StoredSettings(); }

private slots:
    void init() {
        fixture_ = std::make_unique<HostFixture>();
        host_ = fixture_->host.get();
        QDir skins(fixture_->folder.path() + "/skins");
        skins.mkpath("Plain");
        skins.mkpath("Nocturne");
        QFile::copy(QString(TUNEBRIDGE_SOURCE_DIR) + "/skins/Nocturne/Preview.gif",
                    skins.filePath("Nocturne/Preview.gif"));
    }
    void cleanup() { fixture_.reset(); }

    // Category folders need the songs' information read while indexing.
    void categoriesKeepPreloadingOn() {
        Mp3Page page(Settings{}, nullptr);
        QList<QCheckBox*> boxes = page.findChildren<QCheckBox*>();
        QVERIFY(!boxes[0]->isChecked());
        boxes[1]->setChecked(true); // genre
        QVERIFY(boxes[0]->isChecked());
        boxes[0]->setChecked(false);
        QVERIFY(boxes[0]->isChecked());
        Settings stored;
        page.Store(stored);
        QVERIFY(stored.preloadMp3Info && stored.createGenreFolder && !stored.createYearFolder);
    }

    void skinsListWithTheirPreviews() {
        SkinPage page(host_->StoredSettings(), fixture_->options.dataDir, nullptr);
        auto* skins = page.findChild<QComboBox*>();
        auto* preview = page.findChildren<QLabel*>().at(1);
        QCOMPARE(skins->count(), 3);
        QCOMPARE(skins->itemText(0), QString("(Standard)"));
        QVERIFY(!preview->pixmap().isNull());
        skins->setCurrentText("Plain");
        QCOMPARE(preview->text(), QString("No\n\nPreview\n\nAvailable"));
        skins->setCurrentText("Nocturne");
        QVERIFY(!preview->pixmap().isNull());
    }

    // A refused sheet shows the "Server" page with the bad field focused.
    void okNeedsANameAndReadableAddresses() {
        for (int field : {0, 1, 2}) {
            SetupSheet sheet(host_->StoredSettings(), fixture_->options.dataDir, nullptr);
            sheet.show();
            QVERIFY(QTest::qWaitForWindowActive(&sheet));
            sheet.findChild<QTabWidget*>()->setCurrentIndex(2);
            QList<QLineEdit*> fields = sheet.Server().findChildren<QLineEdit*>();
            fields[field]->setText(field == 0 ? "" : "10.0.0.1");
            sheet.accept();
            QVERIFY(sheet.isVisible());
            QCOMPARE(sheet.findChild<QTabWidget*>()->currentIndex(), 0);
            QTRY_VERIFY(fields[field]->hasFocus());
        }
    }

    // OK stores every page and relabels the window; Cancel stores nothing.
    void okStoresAndCancelDoesNot() {
        qputenv("XDG_CONFIG_HOME", fixture_->folder.path().toUtf8());
        QString autostart = fixture_->folder.path() + "/autostart/tunebridge.desktop";
        MainWindow window(*host_, fixture_->log, true);
        ModalDriver driver;
        auto tickStartAtLogin = [](QWidget* sheet) {
            for (QCheckBox* box : sheet->findChildren<QCheckBox*>())
                if (box->text() == "Start Tune Bridge when I &log in")
                    box->setChecked(!box->isChecked());
        };
        driver.Then([tickStartAtLogin](QWidget* sheet) {
            sheet->findChildren<QLineEdit*>()[0]->setText("Den");
            tickStartAtLogin(sheet);
            QVERIFY(Click(sheet, "Cancel"));
        });
        driver.Then([tickStartAtLogin](QWidget* sheet) {
            auto* server = static_cast<SetupSheet*>(sheet);
            tickStartAtLogin(sheet);
            QList<QLineEdit*> fields = server->Server().findChildren<QLineEdit*>();
            fields[0]->setText("Den");
            fields[2]->setText("203.0.113.7:8080");
            sheet->findChild<SkinPage*>()->findChild<QComboBox*>()->setCurrentText("Nocturne");
            QVERIFY(Click(sheet, "OK"));
        });
        QVERIFY(Click(&window, "Setup"));
        QCOMPARE(Stored().name, String("Tune Bridge"));
        QVERIFY(!QFile::exists(autostart));
        QVERIFY(Click(&window, "Setup"));
        QVERIFY(driver.Done());
        QFile entry(autostart);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QByteArray text = entry.readAll();
        QVERIFY2(text.contains("\nComment=Den\n") && text.contains(" --config-dir "), text);
        // Unticked again, the entry goes.
        driver.Then([tickStartAtLogin](QWidget* sheet) {
            tickStartAtLogin(sheet);
            QVERIFY(Click(sheet, "OK"));
        });
        QVERIFY(Click(&window, "Setup"));
        QVERIFY(driver.Done());
        QVERIFY(!QFile::exists(autostart));
        Settings stored = Stored();
        QCOMPARE(stored.name, String("Den"));
        QCOMPARE(stored.publicAddress.HostPortText(), String("203.0.113.7:8080"));
        QCOMPARE(stored.webSkinName, String("Nocturne"));
        QVERIFY(window.findChildren<QLabel*>().size() > 3);
        QStringList labels;
        for (QLabel* label : window.findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains("Den"));
        QVERIFY(labels.contains("203.0.113.7:8080"));
    }
};

static RegisterTest<SetupTest> registration("SetupTest");

} // namespace tb::test

#include "SetupTest.moc"
