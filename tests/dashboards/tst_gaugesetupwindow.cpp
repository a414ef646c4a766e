// The gauge setup window over real gauge files, in an MDI area standing in
// for the main window's, and the definition template tool.
#include "basicgauge.h"
#include "fakemdihost.h"
#include "gaugecontainer.h"
#include "gaugedefmanager.h"
#include "gaugesetupwindow.h"
#include "gaugewidget.h"
#include "miscutilswindow.h"
#include "mylabel.h"
#include "textvaluewidget.h"
#include "workdir.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

class TestGaugeSetupWindow : public QObject
{
    Q_OBJECT
private slots:
    void templateForATypedName();
    void comboStartsOnTheCurrentEcu_data();
    void comboStartsOnTheCurrentEcu();
    void choosingAnEcuListsItsScreens();
    void showOpensTheScreen_data();
    void showOpensTheScreen();
    void screenOfMissingDefinitionsOpensEmpty();
    void showWithEmptyListDoesNothing();
    void cancelAndEscapeClose_data();
    void cancelAndEscapeClose();
    void titleKeepsItsCharacters();
};

namespace {
const char definitions[] = "[RPM]\nJobname=mw_select_lesen_norm\nResultname=STAT_ENG_NAVRG_WERT\nMin=0\nMax=7000\n"
                           "title=Engine speed\nunit=1/min\n"
                           "[OIL]\nJobname=MW_SELECT_LESEN_NORM\nResultname=STAT_OILTEMP_WERT\nMin=0\nMax=150\n"
                           "title=Oil\n"
                           "[BOOST]\nJobname=MW_SELECT_LESEN_NORM\nResultname=STAT_BOOST_WERT\nMax=3\n"
                           "title=Temperatura \xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf\xd0\xb5\xd1\x80\xd0\xb0\xd1\x82\xd1\x83\xd1\x80\xd0\xb0\n";

void writeGauges(const WorkDir &wd)
{
    wd.write("gauges/AAA/definitions.txt", "[X]\nJobname=J\nResultname=R\n");
    wd.write("gauges/AAA/screens/first.txt", "columns=1\n[X]\n");
    wd.write("gauges/MSV70/definitions.txt", definitions);
    wd.write("gauges/MSV70/screens/dash.txt", "columns=2\n[RPM]\n[OIL]\n[BOOST]\n");
    wd.write("gauges/MSV70/screens/race.txt", "columns=3\n[OIL]\n");
    wd.write("gauges/MSV70/screens/ghost.txt", "columns=4\n[NOPE]\n[GONE]\n");
    wd.write("gauges/ZZZ/definitions.txt", "[Y]\nJobname=J\nResultname=R\n");
}

struct Setup
{
    explicit Setup(const QString &ecu)
    {
        host.ecu = ecu;
        manager.reload();
        window = new GaugeSetupWindow(&host, &manager, nullptr);
        sub = host.area.addSubWindow(window);
        window->show();
    }
    QComboBox *combo() const { return window->findChild<QComboBox *>("comboBox"); }
    QListWidget *list() const { return window->findChild<QListWidget *>("listWidget"); }
    QStringList entries() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i)->text();
        return names;
    }

    FakeMdiHost host;
    GaugeDefManager manager;
    QPointer<GaugeSetupWindow> window;
    QPointer<QMdiSubWindow> sub;
};
} // namespace

void TestGaugeSetupWindow::templateForATypedName()
{
    MiscUtilsWindow tool;
    tool.show();
    QCOMPARE(tool.windowTitle(), QString("Form"));
    auto *line = tool.findChild<QLineEdit *>("lineEdit");
    auto *text = tool.findChild<QTextEdit *>("textEdit");
    QTest::keyClicks(line, "oiltemp");
    QTest::keyClick(line, Qt::Key_Return);
    const QByteArray expected = "[OILTEMP]\nMin=0\nMax=130\nTitle=Oil temp.\nUnit=deg C\n"
                                "Jobname=MW_SELECT_LESEN_NORM\nResultname=STAT_OILTEMP_WERT\n"
                                "color=#ff0000\nneedlecolor=#157DEC\ntextcolor=#ffffff\n"
                                "titlecolor=#FFFFFF\nfillcolor=#000000\n";
    QCOMPARE(text->toPlainText().toUtf8(), expected);
    line->clear();
    QTest::keyClicks(line, "rpm%2");
    QTest::keyClick(line, Qt::Key_Return);
    QVERIFY(text->toPlainText().startsWith("[RPM%2]\nMin=0\n"));
    QVERIFY(text->toPlainText().contains("Resultname=STAT_RPM%2_WERT\n"));
    QVERIFY(!text->toPlainText().contains("OILTEMP"));
    QCOMPARE(text->toPlainText().count('\n'), 12);
}

void TestGaugeSetupWindow::comboStartsOnTheCurrentEcu_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("screens");
    QTest::newRow("not first") << "MSV70" << "MSV70" << QStringList{"race", "ghost", "dash"};
    QTest::newRow("case ignored") << "msv70" << "MSV70" << QStringList{"race", "ghost", "dash"};
    QTest::newRow("first") << "AAA" << "AAA" << QStringList{"first"};
    QTest::newRow("no gauges") << "D73N57C0" << "" << QStringList();
    QTest::newRow("no ECU chosen") << "" << "" << QStringList();
    QTest::newRow("no screens") << "ZZZ" << "ZZZ" << QStringList();
}

void TestGaugeSetupWindow::comboStartsOnTheCurrentEcu()
{
    QFETCH(QString, current);
    QFETCH(QString, shown);
    QFETCH(QStringList, screens);
    WorkDir wd;
    writeGauges(wd);
    Setup s(current);
    QCOMPARE(s.window->windowTitle(), QString("Gauge screens"));
    QCOMPARE(s.combo()->count(), 3);
    QCOMPARE(s.combo()->currentText(), shown);
    QCOMPARE(s.combo()->currentIndex() == -1, shown.isEmpty());
    QCOMPARE(s.entries(), screens);
    if (!screens.isEmpty()) {
        QCOMPARE(s.list()->currentRow(), 0);
        QVERIFY(s.list()->item(0)->isSelected());
    }
}

void TestGaugeSetupWindow::choosingAnEcuListsItsScreens()
{
    WorkDir wd;
    writeGauges(wd);
    Setup s("AAA");
    s.combo()->setCurrentIndex(s.combo()->findText("MSV70"));
    QCOMPARE(s.entries(), (QStringList{"race", "ghost", "dash"}));
    s.combo()->setCurrentIndex(s.combo()->findText("ZZZ"));
    QVERIFY(s.entries().isEmpty());
}

void TestGaugeSetupWindow::showOpensTheScreen_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Show") << "show";
    QTest::newRow("double click") << "double click";
    QTest::newRow("Return") << "return";
    QTest::newRow("Enter") << "enter";
}

void TestGaugeSetupWindow::showOpensTheScreen()
{
    QFETCH(QString, how);
    WorkDir wd;
    writeGauges(wd);
    Setup s("MSV70");
    s.list()->setCurrentRow(s.entries().indexOf("dash"));
    if (how == "show") {
        QTest::mouseClick(s.window->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
    } else if (how == "double click") {
        const QRect r = s.list()->visualItemRect(s.list()->currentItem());
        QTest::mouseClick(s.list()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QTest::mouseDClick(s.list()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    } else {
        s.list()->setFocus();
        QTest::keyClick(s.list(), how == "return" ? Qt::Key_Return : Qt::Key_Enter,
                        how == "return" ? Qt::NoModifier : Qt::KeypadModifier);
    }
    QCOMPARE(s.host.windows<GaugeContainer>().size(), 1);
    GaugeContainer *c = s.host.windows<GaugeContainer>().first();
    QCOMPARE(c->windowTitle(), QString("dash"));
    QCOMPARE(c->columns(), 2);
    QCOMPARE(c->styleSheet(), QString("background-color:black"));
    QCOMPARE(s.host.listeners, QList<QObject *>{c});
    QVERIFY(c->subWindow());
    QCOMPARE(c->subWindow()->size(), QSize(750, 600));
    QCOMPARE(c->subWindow()->pos(), QPoint(0, 0));
    // The screen's groups in ascending order of their names.
    QStringList results;
    for (GaugeWidget *g : c->gauges())
        results << QString::fromStdString(g->resultPair().resultName);
    QCOMPARE(results, (QStringList{"STAT_BOOST_WERT", "STAT_OILTEMP_WERT", "STAT_ENG_NAVRG_WERT"}));
    QCOMPARE(c->gauges().at(2)->resultPair().job.jobName, std::string("MW_SELECT_LESEN_NORM"));
    // The screen is MSV70's: its dials take MSV70's jobs only.
    QCOMPARE(c->gauges().at(2)->resultPair().job.ecuName, std::string("MSV70"));
    QCOMPARE(c->gauges().at(2)->gaugeDef().max, 7000.0);
    QVERIFY(!c->gauges().at(2)->autoScale());
    QCOMPARE(c->textLines().size(), 3);
    // The setup window goes once its handler has returned.
    QVERIFY(s.window);
    QTRY_VERIFY(s.sub.isNull());
    QVERIFY(s.window.isNull());
}

void TestGaugeSetupWindow::screenOfMissingDefinitionsOpensEmpty()
{
    WorkDir wd;
    writeGauges(wd);
    Setup s("MSV70");
    s.list()->setCurrentRow(s.entries().indexOf("ghost"));
    QVERIFY(s.window->showScreen());
    QCOMPARE(s.host.windows<GaugeContainer>().size(), 1);
    QCOMPARE(s.host.windows<GaugeContainer>().first()->windowTitle(), QString("ghost"));
    QVERIFY(s.host.windows<GaugeContainer>().first()->gauges().isEmpty());
    QTRY_VERIFY(s.sub.isNull());
}

void TestGaugeSetupWindow::showWithEmptyListDoesNothing()
{
    WorkDir wd;
    writeGauges(wd);
    Setup s("ZZZ");
    QTest::mouseClick(s.window->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
    QVERIFY(!s.window->showScreen());
    QTest::qWait(20);
    QVERIFY(s.sub && s.window && s.window->isVisible());
    QVERIFY(s.host.windows<GaugeContainer>().isEmpty());
}

void TestGaugeSetupWindow::cancelAndEscapeClose_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel") << false;
    QTest::newRow("Escape") << true;
}

void TestGaugeSetupWindow::cancelAndEscapeClose()
{
    QFETCH(bool, escape);
    WorkDir wd;
    writeGauges(wd);
    Setup s("MSV70");
    if (escape) {
        s.list()->setFocus();
        QTest::keyClick(s.list(), Qt::Key_Escape);
    } else {
        QTest::mouseClick(s.window->findChild<QPushButton *>("pushButton_2"), Qt::LeftButton);
    }
    QTRY_VERIFY(s.sub.isNull());
    QVERIFY(s.host.windows<GaugeContainer>().isEmpty());
}

void TestGaugeSetupWindow::titleKeepsItsCharacters()
{
    WorkDir wd;
    writeGauges(wd);
    Setup s("MSV70");
    s.list()->setCurrentRow(s.entries().indexOf("dash"));
    QVERIFY(s.window->showScreen());
    GaugeContainer *c = s.host.windows<GaugeContainer>().first();
    const QString title = QString::fromUtf8("Temperatura \xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf\xd0\xb5\xd1\x80\xd0\xb0"
                                            "\xd1\x82\xd1\x83\xd1\x80\xd0\xb0");
    QCOMPARE(c->gauges().first()->gaugeDef().title, title);
    QCOMPARE(c->gauges().first()->titleLabel()->text(), title);
    QCOMPARE(c->textLines().first()->titleLabel()->text(), title);
}

QTEST_MAIN(TestGaugeSetupWindow)
#include "tst_gaugesetupwindow.moc"
