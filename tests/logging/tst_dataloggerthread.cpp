#include "datalogger.h"
#include "loggerfixture.h"
#include "workdir.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

using namespace loggerfixture;

// The logger in its own thread, driven from the GUI thread as the window
// does: configuration, start, markers and stop are carried out in the
// logger's thread, in call order with the jobs.
class TestDataLoggerThread : public QObject
{
    Q_OBJECT
private slots:
    void guiCallsRunInLoggerThread();
};

void TestDataLoggerThread::guiCallsRunInLoggerThread()
{
    WorkDir wd;
    QThread thread;
    auto *logger = new DataLogger;
    logger->moveToThread(&thread);
    connect(&thread, &QThread::finished, logger, &QObject::deleteLater);
    thread.start();

    QSignalSpy started(logger, &DataLogger::logFileStarted);
    QSignalSpy stopped(logger, &DataLogger::logFileStopped);
    logger->setClock([] { return t0(); });
    logger->setMarkerColumn(true);
    logger->addToFilter(column("J", "A"));
    logger->addToFilter(column("J", "B"));
    logger->startLog();
    const int n = 2000;
    for (int i = 0; i < n; ++i) {
        const CJob j = job("J", t0() + i, {result("A", "1.5"), result("B", QByteArray::number(i).constData())});
        QMetaObject::invokeMethod(logger, "handleData", Qt::QueuedConnection, Q_ARG(CJob, j));
        if (i == n / 2)
            logger->onMarkerEvent();
        if (i % 100 == 0) {
            logger->lineCount(); // read from the GUI thread while the logger writes
            logger->filterCount();
        }
    }
    logger->stopLog();
    QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 20000);
    QCOMPARE(started.count(), 1);
    const QString name = started.at(0).at(0).toString();
    QCOMPARE(logger->fileName(), name);
    QCOMPARE(logger->filterCount(), 2);
    const QList<QByteArray> lines = wd.read(name).split('\n');
    QCOMPARE(lines.size(), n + 2);
    QCOMPARE(lines.at(1), QByteArray("0;1.5;0;Marker.0\r"));
    QCOMPARE(lines.at(n), QByteArray("1999;1.5;1999;Marker.1\r"));
    thread.quit();
    QVERIFY(thread.wait(5000));
}

QTEST_GUILESS_MAIN(TestDataLoggerThread)
#include "tst_dataloggerthread.moc"
