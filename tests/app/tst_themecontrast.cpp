// Text that a window colours itself (protocol lines, errors, replies,
// marks and hints) reads under every theme: each text's colour against the
// background it is painted on, taken from the widget's palette as the theme
// leaves it (or from the cell's own colours), with the theme chosen before
// the text came and after.
#include "basic2dcharttableview.h"
#include "chartgrid.h"
#include "debugform.h"
#include "ecudetectwindow.h"
#include "ecujoblistwindow.h"
#include "ediabasfixture.h"
#include "guitestmain.h"
#include "loggingwindow.h"
#include "loggingwindowhost.h"
#include "prgtabletest.h"
#include "prgwriter.h"
#include "readablecolour.h"
#include "settingsdialog.h"
#include "workdir.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace {

QString themeSheet(const QString &theme)
{
    if (theme.isEmpty())
        return QString();
    QFile file(QStringLiteral(KELVO_SOURCE_DIR "/demo/themes/") + theme + QStringLiteral(".qss"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// Each line of a protocol with its contrast on the edit's base: the colour
// its format forces, else the palette's text colour.
QList<QPair<QString, double>> lineContrasts(QTextEdit *edit)
{
    QList<QPair<QString, double>> out;
    const QPalette palette = edit->palette();
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QColor text = f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color()
                                                                           : palette.color(QPalette::Text);
            out << qMakePair(it.fragment().text(), ReadableColour::contrast(text, palette.color(QPalette::Base)));
        }
    }
    return out;
}

void verifyReadable(QTextEdit *edit, int lines, const QString &theme)
{
    // The text areas' own background of each theme.
    const QString base = theme == "Night" ? "#15181b" : "#ffffff";
    QCOMPARE(edit->palette().color(QPalette::Base).name(), base);
    const QList<QPair<QString, double>> contrasts = lineContrasts(edit);
    QCOMPARE(contrasts.size(), lines);
    for (const auto &line : contrasts)
        QVERIFY2(line.second >= 4.5, qPrintable(QString("\"%1\": %2").arg(line.first).arg(line.second)));
}

// One ECU in the list, with its description in "ecu".
bool writeEcu(const WorkDir &wd)
{
    PrgWriter prg;
    prg.setDescription("ECU:Diesel engine\nJOBNAME:STATUS_LMM\n");
    prg.jobsFromDescription();
    return wd.write("jobs/eculist.txt", "D73N57C0\n") && QDir().mkpath("ecu") && prg.write("ecu/D73N57C0.prg");
}

// A widget's own text on its own background.
double textContrast(QWidget *w)
{
    const QPalette p = w->palette();
    return ReadableColour::contrast(p.color(w->foregroundRole()), p.color(w->backgroundRole()));
}

class NoPlots : public LoggingWindowHost
{
public:
    QList<PlotWindow *> plotWindows() override { return {}; }
    bool connectJobListener(QObject *) override { return true; }
};

} // namespace

class TestThemeContrast : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void contrastRatio_data();
    void contrastRatio();
    void traceProtocol_data();
    void traceProtocol();
    void detectionProtocol_data();
    void detectionProtocol();
    void themes_data();
    void customJobsInEcuList();
    void customJobsInEcuList_data() { themes_data(); }
    void marksAndHints();
    void marksAndHints_data() { themes_data(); }
    void chartCellsOfTheirOwnColour();
    void chartCellsOfTheirOwnColour_data() { themes_data(); }

private:
    // Applies the other theme and, when themeFirst, this one.
    void themeBefore();
    // Applies this theme when it was not applied before.
    void themeAfter();
};

void TestThemeContrast::themes_data()
{
    traceProtocol_data();
}

void TestThemeContrast::themeBefore()
{
    QFETCH(QString, theme);
    QFETCH(bool, themeFirst);
    qApp->setStyleSheet(themeSheet(theme == "Night" ? "Daylight" : "Night"));
    if (themeFirst)
        qApp->setStyleSheet(themeSheet(theme));
}

void TestThemeContrast::themeAfter()
{
    QFETCH(QString, theme);
    QFETCH(bool, themeFirst);
    if (!themeFirst)
        qApp->setStyleSheet(themeSheet(theme));
}

void TestThemeContrast::cleanup()
{
    qApp->setStyleSheet(QString());
}

void TestThemeContrast::contrastRatio_data()
{
    QTest::addColumn<QColor>("a");
    QTest::addColumn<QColor>("b");
    QTest::addColumn<double>("ratio");
    QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
    QTest::newRow("the same") << QColor("#3d6f9e") << QColor("#3d6f9e") << 1.0;
    QTest::newRow("red on white") << QColor(Qt::red) << QColor(Qt::white) << 4.0;
    QTest::newRow("blue on white") << QColor(Qt::blue) << QColor(Qt::white) << 8.59;
}

void TestThemeContrast::contrastRatio()
{
    QFETCH(QColor, a);
    QFETCH(QColor, b);
    QFETCH(double, ratio);
    QVERIFY(qAbs(ReadableColour::contrast(a, b) - ratio) < 0.01);
    QVERIFY(qAbs(ReadableColour::contrast(b, a) - ratio) < 0.01);
}

void TestThemeContrast::traceProtocol_data()
{
    QTest::addColumn<QString>("theme");
    QTest::addColumn<bool>("themeFirst");
    for (const char *theme : {"Night", "Daylight", ""}) {
        for (bool first : {true, false}) {
            QTest::addRow("%s, chosen %s", *theme ? theme : "no theme", first ? "before" : "after")
                << QString(theme) << first;
        }
    }
}

// Plain lines, errors and a server's reply all read.
void TestThemeContrast::traceProtocol()
{
    QFETCH(QString, theme);
    QFETCH(bool, themeFirst);
    const QString sheet = themeSheet(theme);
    QVERIFY(theme.isEmpty() || !sheet.isEmpty());
    // The other theme first, so that a change to this one must show.
    qApp->setStyleSheet(themeSheet(theme == "Night" ? "Daylight" : "Night"));
    if (themeFirst)
        qApp->setStyleSheet(sheet);
    DebugForm form;
    form.show();
    form.onJobStarted("IDENT");
    form.onTextMessage("error:IFH-0009: no answer");
    form.onError(QNetworkReply::ConnectionRefusedError);
    form.upReady("a.trc", "thanks, received");
    form.upReady("b.trc", QString());
    form.onRunTraceStatusChanged(0);
    if (!themeFirst)
        qApp->setStyleSheet(sheet);
    auto *edit = form.findChild<QTextEdit *>("textEdit");
    verifyReadable(edit, 6, theme);
    // The reply is still told apart from the lines around it.
    const QTextCharFormat reply = edit->document()->findBlockByNumber(3).begin().fragment().charFormat();
    QVERIFY(reply.fontItalic());
    QVERIFY(reply.foreground().color().blue() > reply.foreground().color().red());
}

void TestThemeContrast::detectionProtocol_data()
{
    traceProtocol_data();
}

void TestThemeContrast::detectionProtocol()
{
    QFETCH(QString, theme);
    QFETCH(bool, themeFirst);
    WorkDir wd;
    EdiabasFixture ediabas;
    QVERIFY(ediabas.load(R"({ "ecus": { "D_0012": { "default": { "error": { "code": 19, "text": "no answer" } } },
                              "D_MOTOR": { "variant": "MSV70", "default": { "sets": [] } } } })"));
    qApp->setStyleSheet(themeSheet(theme == "Night" ? "Daylight" : "Night"));
    if (themeFirst)
        qApp->setStyleSheet(themeSheet(theme));
    EcuDetectWindow window;
    window.show();
    window.findChild<QPushButton *>("detectButton")->click();
    if (!themeFirst)
        qApp->setStyleSheet(themeSheet(theme));
    // Two queries, an error text, the variant.
    verifyReadable(window.findChild<QTextEdit *>("textEdit"), 4, theme);
}

// The ECU list shows custom jobs in blue.
void TestThemeContrast::customJobsInEcuList()
{
    WorkDir wd;
    QVERIFY(writeEcu(wd));
    wd.write("config/customjobs.xml", "<customjobs><customjob ecu=\"D73N57C0\"><jobname>MW_SELECT_LESEN</jobname>"
                                      "<virtualname>A</virtualname><comment>Custom A</comment><argument>X</argument>"
                                      "</customjob></customjobs>");
    themeBefore();
    EcuJobListWindow window;
    window.show();
    window.selectEcu("D73N57C0");
    auto *jobs = window.findChild<QListWidget *>("listJobs");
    QCOMPARE(jobs->count(), 2);
    themeAfter();
    const QColor base = jobs->palette().color(QPalette::Base);
    const QColor custom = jobs->item(0)->foreground().color();
    QVERIFY2(ReadableColour::contrast(custom, base) >= 4.5, qPrintable(custom.name() + " on " + base.name()));
    QVERIFY(custom.blue() > custom.red());
    // The description's own job keeps the theme's colour.
    QVERIFY(!jobs->item(1)->data(Qt::ForegroundRole).isValid());
}

// Red marks and hints on labels and line edits: a file name the table
// browser cannot find, the settings dialog's baud rate hint, the data
// logger's failure, the ECU list's line on a custom-job file that does not
// read.
void TestThemeContrast::marksAndHints()
{
    WorkDir wd;
    QVERIFY(writeEcu(wd));
    wd.write("config/customjobs.xml", "<customjobs><customjob");
    themeBefore();
    PRGTableTest browser;
    browser.show();
    auto *fileName = browser.findChild<QLineEdit *>("editEcuFileName");
    fileName->setText("NO_SUCH.prg");
    SettingsDialog settings(nullptr, SerialPortList());
    settings.show();
    auto *hint = settings.findChild<QLabel *>("customBaudHint");
    hint->show();
    auto *logger = new LoggingWindow(nullptr, new NoPlots);
    QPointer<LoggingWindow> loggerGone(logger);
    logger->show();
    logger->logFileError("Cannot write log file");
    auto *failure = logger->findChild<QLabel *>("labelFileName");
    EcuJobListWindow list;
    list.show();
    list.selectEcu("D73N57C0");
    auto *problem = list.findChild<QLabel *>("lblCustomJobs");
    QVERIFY(problem->isVisible());
    themeAfter();
    for (QWidget *w : QList<QWidget *>{fileName, hint, failure, problem}) {
        QTRY_VERIFY2(textContrast(w) >= 4.5, qPrintable(w->objectName() + ": " + QString::number(textContrast(w))));
        const QColor text = w->palette().color(w->foregroundRole());
        QVERIFY2(text.red() > text.green() + 60, qPrintable(w->objectName() + " " + text.name()));
    }
    // A name found again reads in the theme's own colour.
    fileName->setText("D73N57C0.prg");
    QTRY_VERIFY(textContrast(fileName) >= 4.5);
    QVERIFY(fileName->styleSheet().isEmpty());
    logger->close();
    QTRY_VERIFY(loggerGone.isNull());
}

// The 2-D chart marks the cell it sets with a light background of its own;
// its text must not take a light theme colour there.
void TestThemeContrast::chartCellsOfTheirOwnColour()
{
    themeBefore();
    Basic2DChartTableView view(nullptr);
    view.onChartVarsUpdated(chartGrid(4, 4, 0, 4, 0, 4));
    view.formatTable();
    view.show();
    // The cell set last, and the one set before it.
    view.setValueRow(1, 1, 12.5f);
    view.setValueRow(2, 2, 7.5f);
    themeAfter();
    QStandardItemModel *model = view.tableModel();
    for (const QStandardItem *cell : {model->item(1, 1), model->item(2, 2)}) {
        QVERIFY(cell);
        const QColor background = cell->background().color();
        const QColor text = cell->data(Qt::ForegroundRole).isValid() ? cell->foreground().color()
                                                                     : view.palette().color(QPalette::Text);
        QVERIFY2(ReadableColour::contrast(text, background) >= 4.5, qPrintable(text.name() + " on " + background.name()));
    }
}

KELVO_GUI_TEST_MAIN(TestThemeContrast)
#include "tst_themecontrast.moc"
