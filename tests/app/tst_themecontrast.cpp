// Text that a window colours itself (protocol lines, errors, replies) read
// under every theme: each line's colour against the background it is
// painted on, taken from the widget's palette as the theme leaves it, with
// the theme chosen before the lines came and after.
#include "debugform.h"
#include "ecudetectwindow.h"
#include "ediabasfixture.h"
#include "guitestmain.h"
#include "readablecolour.h"
#include "workdir.h"

#include <QFile>
#include <QPushButton>
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
};

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

KELVO_GUI_TEST_MAIN(TestThemeContrast)
#include "tst_themecontrast.moc"
