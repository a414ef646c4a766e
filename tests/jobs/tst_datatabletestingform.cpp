// The data-table testing window offscreen: tables and telegrams offered,
// Solve on a pasted reply, the "data.txt" loop, and the watched trace file.
#include "datatabletestingform.h"
#include "workdir.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {

QStringList debugLines;

void collect(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtDebugMsg)
        debugLines << msg;
    else
        fprintf(stderr, "%s\n", qPrintable(msg));
}

int linesSeen(const QString &line)
{
    return debugLines.filter(QStringLiteral(": '%1'").arg(line)).size();
}

bool appendTo(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return f.write(bytes) == bytes.size();
}

} // namespace

class TstDatatableTestingForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void tablesAndTelegrams();
    void solveCleansTheReply();
    void solveWithoutTable();
    void reloadKeepsTheList();
    void dataLoop();
    void dataLoopWithoutFile();
    void watchTraceFile();
    void watchMissingFile();

private:
    template<class T> T *child(DatatableTestingForm &f, const char *name)
    {
        T *w = f.findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    void choose(DatatableTestingForm &f, const QString &table, const QString &telegram)
    {
        child<QComboBox>(f, "cmbTables")->setCurrentText(table);
        child<QComboBox>(f, "cmbInputTelegrams")->setCurrentText(telegram);
    }
    WorkDir *wd = nullptr;
    QtMessageHandler previous = nullptr;
};

void TstDatatableTestingForm::init()
{
    wd = new WorkDir;
    for (const char *key : {"MRMA24", "BMSS501", "ME9K_NG4"})
        QVERIFY(wd->write(QStringLiteral("ecudata/%1_DATATABLE").arg(key), QByteArray()));
    debugLines.clear();
    previous = qInstallMessageHandler(collect);
}

void TstDatatableTestingForm::cleanup()
{
    qInstallMessageHandler(previous);
    delete wd;
}

void TstDatatableTestingForm::tablesAndTelegrams()
{
    DatatableTestingForm f;
    QCOMPARE(f.windowTitle(), QStringLiteral("Form"));
    // The first tab's icon is one of ours, present in the resources.
    QTabWidget *tabs = f.findChild<QTabWidget *>();
    QVERIFY(tabs);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Tab 1"));
    QVERIFY(QFile::exists(QStringLiteral(":/icons/PauseHot.png")));
    QVERIFY(!tabs->tabIcon(0).isNull());
    QVERIFY(!tabs->tabIcon(0).pixmap(16, 16).isNull());
    QComboBox *tables = child<QComboBox>(f, "cmbTables");
    QComboBox *telegrams = child<QComboBox>(f, "cmbInputTelegrams");
    QCOMPARE(tables->count(), 3);
    QCOMPARE(tables->currentText(), QStringLiteral("BMSS501"));
    QCOMPARE(telegrams->count(), 1);
    QCOMPARE(telegrams->currentText(), QStringLiteral("12050B03"));
    tables->setCurrentText(QStringLiteral("ME9K_NG4"));
    QCOMPARE(telegrams->count(), 41);
    QCOMPARE(telegrams->itemText(0), QStringLiteral("TELEGRAM"));
    tables->setCurrentText(QStringLiteral("MRMA24"));
    QCOMPARE(telegrams->count(), 1);
    QCOMPARE(telegrams->currentText(), QStringLiteral("8212F321A1"));
}

void TstDatatableTestingForm::solveCleansTheReply()
{
    DatatableTestingForm f;
    choose(f, "MRMA24", "8212F321A1");
    QPlainTextEdit *out = child<QPlainTextEdit>(f, "txtOutput");
    QPlainTextEdit *result = child<QPlainTextEdit>(f, "txtResult");
    result->setPlainText(QStringLiteral("old"));
    out->setPlainText(QStringLiteral("82 F1 12 61 A1 96 00_ADS _STD"));
    QTest::mouseClick(child<QPushButton>(f, "pushButton"), Qt::LeftButton);
    QCOMPARE(out->toPlainText(), QStringLiteral("82F11261A19600"));
    const QStringList lines = result->toPlainText().split('\n');
    // Bytes 0..6: BATT (5) and MAF_MES (6) fit, the rest do not.
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.first(), QStringLiteral("Battery") + QString(33, ' ') + " --------------------- " + QString(8, ' ')
                                + "12.2085   V" + QString(9, ' '));
    QVERIFY(debugLines.filter(QStringLiteral("smaller than row byte")).size() >= 1);

    out->setPlainText(QStringLiteral("12 21 A0 0B 54 _STD"));
    QTest::mouseClick(child<QPushButton>(f, "pushButton"), Qt::LeftButton);
    QCOMPARE(out->toPlainText(), QStringLiteral("1221A00B54"));
}

void TstDatatableTestingForm::solveWithoutTable()
{
    DatatableTestingForm f;
    QComboBox *telegrams = child<QComboBox>(f, "cmbInputTelegrams");
    QPlainTextEdit *result = child<QPlainTextEdit>(f, "txtResult");
    result->setPlainText(QStringLiteral("kept"));
    telegrams->clear();
    child<QPlainTextEdit>(f, "txtOutput")->setPlainText(QStringLiteral("1221A0"));
    QTest::mouseClick(child<QPushButton>(f, "pushButton"), Qt::LeftButton);
    QCOMPARE(result->toPlainText(), QStringLiteral("kept"));

    // No tables at all.
    QVERIFY(QDir(QStringLiteral("ecudata")).removeRecursively());
    DatatableTestingForm empty;
    QCOMPARE(child<QComboBox>(empty, "cmbTables")->count(), 0);
    QTest::mouseClick(child<QPushButton>(empty, "pushButton"), Qt::LeftButton);
    QVERIFY(child<QPlainTextEdit>(empty, "txtResult")->toPlainText().isEmpty());
}

void TstDatatableTestingForm::reloadKeepsTheList()
{
    DatatableTestingForm f;
    QVERIFY(QFile::remove(QStringLiteral("ecudata/MRMA24_DATATABLE")));
    QTest::mouseClick(child<QPushButton>(f, "pushButton_2"), Qt::LeftButton);
    QCOMPARE(child<QComboBox>(f, "cmbTables")->count(), 3);
    // The list stays, the table is gone: Solve finds nothing and keeps the old lines.
    choose(f, "MRMA24", "");
    child<QPlainTextEdit>(f, "txtResult")->setPlainText(QStringLiteral("kept"));
    child<QPlainTextEdit>(f, "txtOutput")->setPlainText(QStringLiteral("82F11261A19600"));
    QTest::mouseClick(child<QPushButton>(f, "pushButton"), Qt::LeftButton);
    QCOMPARE(child<QPlainTextEdit>(f, "txtResult")->toPlainText(), QStringLiteral("kept"));
}

void TstDatatableTestingForm::dataLoop()
{
    QVERIFY(wd->write("data.txt", "1221A00102\r\n1221A01B58\n"));
    DatatableTestingForm f;
    choose(f, "BMSS501", "12050B03");
    QPushButton *loop = child<QPushButton>(f, "pushButton_3");
    bool disabledMeanwhile = false;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&] {
        if (!loop->isEnabled() && !child<QPushButton>(f, "pushButton")->isEnabled())
            disabledMeanwhile = true;
    });
    probe.start(20);
    QTest::mouseClick(loop, Qt::LeftButton);
    probe.stop();
    QVERIFY(disabledMeanwhile);
    QVERIFY(loop->isEnabled());
    QVERIFY(child<QPushButton>(f, "btnWatch")->isEnabled());
    QVERIFY(child<QPlainTextEdit>(f, "txtOutput")->toPlainText().isEmpty());
    // The last line decoded: engine speed 0x1B58.
    const QString result = child<QPlainTextEdit>(f, "txtResult")->toPlainText();
    QVERIFY2(result.startsWith(QStringLiteral("RPM ")), qPrintable(result));
    QVERIFY(result.contains(QStringLiteral(" 7000   1/min")));
}

void TstDatatableTestingForm::dataLoopWithoutFile()
{
    DatatableTestingForm f;
    QTest::mouseClick(child<QPushButton>(f, "pushButton_3"), Qt::LeftButton);
    QVERIFY(debugLines.contains(QStringLiteral("cant open file")));
    QVERIFY(child<QPushButton>(f, "pushButton_3")->isEnabled());
    const QString shown = child<QPlainTextEdit>(f, "txtResult")->toPlainText();
    QVERIFY2(shown.startsWith(QStringLiteral("Cannot open %1: ").arg(wd->filePath(QStringLiteral("data.txt")))),
             qPrintable(shown));
}

void TstDatatableTestingForm::watchTraceFile()
{
    DatatableTestingForm f;
    QCOMPARE(child<QLineEdit>(f, "txtFileWatch")->text(), QStringLiteral("ediabas/trace/DIS_TRACE.txt"));
    choose(f, "BMSS501", "12050B03");
    const QString path = wd->filePath(QStringLiteral("trace.txt"));
    QVERIFY(wd->write("trace.txt", ""));
    child<QLineEdit>(f, "txtFileWatch")->setText(path);
    QPushButton *watch = child<QPushButton>(f, "btnWatch");
    QPlainTextEdit *result = child<QPlainTextEdit>(f, "txtResult");

    QTest::mouseClick(watch, Qt::LeftButton);
    QVERIFY(f.isWatching());
    QCOMPARE(watch->text(), QStringLiteral("Stop Watch"));

    // Three lines, one of them a reply: only that one is solved.
    QVERIFY(appendTo(path, "send 12050B031F\n1221A01B58\nother\n"));
    QTRY_VERIFY_WITH_TIMEOUT(result->toPlainText().contains(QStringLiteral(" 7000   1/min")), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(linesSeen(QStringLiteral("other")), 1, 10000);
    QCOMPARE(linesSeen(QStringLiteral("send 12050B031F")), 1);
    QCOMPARE(linesSeen(QStringLiteral("1221A01B58")), 1);
    QCOMPARE(f.watchedPosition(), qint64(33));

    // An incomplete last line waits for its newline.
    QVERIFY(appendTo(path, "1221A00F"));
    QTest::qWait(300);
    QCOMPARE(linesSeen(QStringLiteral("1221A00F")), 0);
    QVERIFY(appendTo(path, "A0\n"));
    QTRY_COMPARE_WITH_TIMEOUT(linesSeen(QStringLiteral("1221A00FA0")), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(result->toPlainText().contains(QStringLiteral(" 4000   1/min")), 10000);
    QCOMPARE(linesSeen(QStringLiteral("1221A01B58")), 1);

    // A file that shrinks is ignored.
    {
        QFile f2(path);
        QVERIFY(f2.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(f2.write("x\n") == 2);
    }
    QTRY_VERIFY_WITH_TIMEOUT(debugLines.contains(QStringLiteral("no way, pos same or larger than file size")), 10000);
    QCOMPARE(linesSeen(QStringLiteral("x")), 0);

    // Stop, then start again: reading starts at the beginning, once.
    QTest::mouseClick(watch, Qt::LeftButton);
    QVERIFY(!f.isWatching());
    QCOMPARE(watch->text(), QStringLiteral("Start Watch"));
    QCOMPARE(f.watchedPosition(), qint64(0));
    QVERIFY(appendTo(path, "ignored while stopped\n"));
    QTest::qWait(300);
    QCOMPARE(linesSeen(QStringLiteral("ignored while stopped")), 0);
    QTest::mouseClick(watch, Qt::LeftButton);
    QVERIFY(appendTo(path, "1221A01B58\n"));
    QTRY_COMPARE_WITH_TIMEOUT(linesSeen(QStringLiteral("x")), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(linesSeen(QStringLiteral("1221A01B58")), 2, 10000);
    QTest::qWait(300);
    QCOMPARE(linesSeen(QStringLiteral("x")), 1);
    QCOMPARE(linesSeen(QStringLiteral("ignored while stopped")), 1);
}

void TstDatatableTestingForm::watchMissingFile()
{
    DatatableTestingForm f;
    QPlainTextEdit *result = child<QPlainTextEdit>(f, "txtResult");
    result->setPlainText(QStringLiteral("earlier line"));
    const QString path = wd->filePath(QStringLiteral("missing/trace.txt"));
    child<QLineEdit>(f, "txtFileWatch")->setText(path);
    QTest::mouseClick(child<QPushButton>(f, "btnWatch"), Qt::LeftButton);
    QVERIFY(!f.isWatching());
    QCOMPARE(child<QPushButton>(f, "btnWatch")->text(), QStringLiteral("Start watch"));
    // The refusal is said in the window; what was decoded before stays.
    QCOMPARE(result->toPlainText(),
             QStringLiteral("earlier line\nCannot watch %1: the file does not exist").arg(path));
}

QTEST_MAIN(TstDatatableTestingForm)
#include "tst_datatabletestingform.moc"
