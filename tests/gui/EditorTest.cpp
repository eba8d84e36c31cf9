#include "TestRegistry.h"
#include "core/IPAddress.h"
#include "library/ShareService.h"
#include "shell/gui/CatalogDialog.h"
#include "shell/gui/ServiceChooser.h"
#include "shell/gui/ShareDialog.h"
#include "shell/gui/StationDialog.h"
#include "shell/gui/WebUserDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace tb::test {

// The editors' rules for OK and what they make of their fields.
class EditorTest : public QObject {
    Q_OBJECT

    static QList<QLineEdit*> Fields(QWidget& dialog) { return dialog.findChildren<QLineEdit*>(); }
    static bool HasButton(QWidget& dialog, const QString& caption) {
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            if (button->text() == caption)
                return true;
        return false;
    }

private slots:
    // Fields: name, ID, password, address, e-mail; -1 = accepted.
    void webUserRefusesTheFirstBadField_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("refused");
        QTest::newRow("as given") << 0 << "Alice" << -1;
        QTest::newRow("no name") << 0 << "" << 0;
        QTest::newRow("no ID") << 1 << "" << 1;
        QTest::newRow("address not dotted") << 3 << "abc" << 3;
        QTest::newRow("address out of range") << 3 << "10.0.0.256" << 3;
        QTest::newRow("no password is fine") << 2 << "" << -1;
    }
    void webUserRefusesTheFirstBadField() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(int, refused);
        WebUser user;
        user.name = "Alice";
        user.id = "alice";
        WebUserDialog dialog(user, false, nullptr);
        QList<QLineEdit*> fields = Fields(dialog);
        fields[field]->setText(text);
        QCOMPARE(dialog.FirstInvalidField(), refused < 0 ? nullptr : fields[refused]);
        QVERIFY(HasButton(dialog, "OK"));
    }

    void webUserResultKeepsWhatItDoesNotShow() {
        WebUser user;
        user.id = "old";
        user.address = IPAddress::FromHost("10.0.0.1").Address();
        WebUserDialog dialog(user, true, nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Add a web user"));
        QList<QLineEdit*> fields = Fields(dialog);
        QCOMPARE(fields[3]->text(), QString("10.0.0.1"));
        fields[0]->setText("Bob");
        fields[1]->setText("bob");
        fields[3]->setText(" 192.168.0.5 ");
        dialog.findChild<QCheckBox*>()->setChecked(true);
        WebUser result = dialog.Result();
        QCOMPARE(result.name, String("Bob"));
        QCOMPARE(result.id, String("bob"));
        QCOMPARE(result.address, IPAddress::FromHost("192.168.0.5").Address());
        QCOMPARE(result.permission, 0u);
        QCOMPARE(result.page, user.page);
    }

    void shareNeedsANameAndAFolder() {
        QTemporaryDir folder;
        ShareService existing("Music", "mine", folder.path().toUtf8().constData(), true);
        ShareDialog dialog(&existing, nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Edit local directory data"));
        QVERIFY(!HasButton(dialog, "<< &Back"));
        QList<QLineEdit*> fields = Fields(dialog);
        QCOMPARE(dialog.FirstInvalidField(), nullptr);
        fields[2]->setText(folder.path() + "/missing");
        QCOMPARE(dialog.FirstInvalidField(), fields[2]);
        fields[0]->clear();
        QCOMPARE(dialog.FirstInvalidField(), fields[0]);
        fields[0]->setText("Jazz");
        fields[2]->setText(folder.path());
        auto share = dialog.Result();
        QCOMPARE(share->Name(), String("Jazz"));
        QCOMPARE(share->Description(), String("mine"));
        QVERIFY(share->StartCrawler());
    }

    void stationNeedsANameOnly() {
        RadioService::Fields station;
        station.urls[7] = "http://old:8000/";
        StationDialog dialog(station, true, nullptr);
        QVERIFY(HasButton(dialog, "<< &Back"));
        QList<QLineEdit*> fields = Fields(dialog);
        QCOMPARE(fields.size(), 4 + RadioService::UrlSlots);
        QCOMPARE(dialog.FirstInvalidField(), fields[0]);
        fields[0]->setText("Jazz FM");
        fields[4]->setText(" http://jazz:8000/live ");
        QCOMPARE(dialog.FirstInvalidField(), nullptr);
        dialog.findChildren<QCheckBox*>()[1]->setChecked(true);
        RadioService::Fields result = dialog.Result();
        QCOMPARE(result.name, String("Jazz FM"));
        QCOMPARE(result.urls[0], String("http://jazz:8000/live"));
        QCOMPARE(result.urls[7], String("http://old:8000/"));
        QVERIFY(!result.quickAccess);
        QVERIFY(result.routeDirectly);
    }

    // The short name is not shown and stays.
    void catalogNeedsANameAndAnAddressWithPort() {
        CatalogService catalog("Anna", "", "anna", IPAddress::FromHostPort("10.0.0.9:42961"));
        CatalogDialog dialog(catalog, nullptr);
        QList<QLineEdit*> fields = Fields(dialog);
        QCOMPARE(fields[2]->text(), QString("10.0.0.9:42961"));
        fields[2]->setText("10.0.0.10");
        QCOMPARE(dialog.FirstInvalidField(), fields[2]);
        fields[0]->clear();
        QCOMPARE(dialog.FirstInvalidField(), fields[0]);
        fields[0]->setText("Bert");
        fields[2]->setText("10.0.0.10:8000");
        QCOMPARE(dialog.FirstInvalidField(), nullptr);
        auto result = dialog.Result();
        QCOMPARE(result->Name(), String("Bert"));
        QCOMPARE(result->ShortName(), String("anna"));
        QCOMPARE(result->Address().HostPortText(), String("10.0.0.10:8000"));
    }

    // Every editor drawn once, for a look at the test run's screenshots.
    void drawsEveryEditor() {
        QTemporaryDir folder;
        ShareService share("Music", "", folder.path().toUtf8().constData(), false);
        CatalogService catalog("Anna", "", "", IPAddress::FromHostPort("10.0.0.9:42961"));
        std::vector<std::pair<const char*, std::unique_ptr<QDialog>>> dialogs;
        dialogs.emplace_back("web-user", std::make_unique<WebUserDialog>(WebUser{}, true, nullptr));
        dialogs.emplace_back("share", std::make_unique<ShareDialog>(nullptr, nullptr));
        dialogs.emplace_back("share-edit", std::make_unique<ShareDialog>(&share, nullptr));
        dialogs.emplace_back(
            "station", std::make_unique<StationDialog>(RadioService::Fields{}, true, nullptr));
        dialogs.emplace_back("catalog", std::make_unique<CatalogDialog>(catalog, nullptr));
        dialogs.emplace_back("service-chooser", std::make_unique<ServiceChooser>(nullptr));
        QDir().mkpath(TUNEBRIDGE_SCREENSHOT_DIR);
        for (auto& [name, dialog] : dialogs) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
            QString path = QString(TUNEBRIDGE_SCREENSHOT_DIR "/dialog-%1.png").arg(name);
            QVERIFY(dialog->grab().save(path));
            QCOMPARE(QImage(path).size(), dialog->size());
        }
    }
};

static RegisterTest<EditorTest> registration("EditorTest");

} // namespace tb::test

#include "EditorTest.moc"
