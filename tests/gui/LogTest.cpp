#include "ModalDriver.h"
#include "TestRegistry.h"
#include "core/Event.h"
#include "shell/gui/LogList.h"
#include "shell/gui/WindowLog.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <thread>
#include <vector>

namespace tb::test {

class LogTest : public QObject {
    Q_OBJECT

private slots:
    // Lines from several threads arrive whole and in each thread's order;
    // the list keeps the newest 1000 and shows the last.
    void keepsTheNewestLinesFromAnyThread() {
        Event quit;
        WindowLog log(quit, nullptr);
        LogList list(nullptr);
        list.resize(300, 100);
        QObject::connect(&log, &WindowLog::lineAdded, &list, &LogList::Append,
                         Qt::QueuedConnection);
        list.show();
        std::vector<std::thread> writers;
        for (int t = 0; t < 4; ++t)
            writers.emplace_back([&log, t] {
                for (int i = 0; i < 300; ++i)
                    log.AddLine(String(QString("%1:%2").arg(t).arg(i).toUtf8().constData()));
            });
        for (auto& writer : writers)
            writer.join();
        log.AddLine("two\r\nlines");
        auto last = [&list] {
            return list.count() ? list.item(list.count() - 1)->text() : QString();
        };
        QTRY_COMPARE(last(), QString("two\r\nlines"));
        QCOMPARE(list.count(), LogList::MaxLines);
        std::vector<int> latest(4, -1);
        for (int row = 0; row < list.count() - 1; ++row) {
            QStringList parts = list.item(row)->text().split(':');
            int thread = parts[0].toInt();
            QVERIFY(parts[1].toInt() > latest[thread]);
            latest[thread] = parts[1].toInt();
        }
        QCOMPARE(latest, std::vector<int>(4, 299));
        QVERIFY(list.visualItemRect(list.item(list.count() - 1)).bottom() <=
                list.viewport()->height());
    }

    // After the quit event a line from another thread is dropped at once.
    void dropsLinesAfterQuit() {
        Event quit;
        WindowLog log(quit, nullptr);
        LogList list(nullptr);
        QObject::connect(&log, &WindowLog::lineAdded, &list, &LogList::Append,
                         Qt::QueuedConnection);
        log.AddLine("before");
        quit.Set();
        std::thread([&log] { log.AddLine("after"); }).join();
        QTest::qWait(50);
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.item(0)->text(), QString("before"));
    }

    // A double click shows the selected line whole, in its own box.
    void doubleClickShowsTheLine() {
        LogList list(nullptr);
        list.Append("[alice]: playing 'A very long title'");
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QString title, text;
        ModalDriver driver;
        driver.Then([&](QWidget* box) {
            title = box->windowTitle();
            text = static_cast<QMessageBox*>(box)->text();
            static_cast<QMessageBox*>(box)->accept();
        });
        QRect line = list.visualItemRect(list.item(0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, line.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, line.center());
        QTRY_VERIFY(driver.Done());
        QCOMPARE(title, QString("Tune Bridge log"));
        QCOMPARE(text, QString("[alice]: playing 'A very long title'"));
    }
};

static RegisterTest<LogTest> registration("LogTest");

} // namespace tb::test

#include "LogTest.moc"
