// Windows of the demo as a user meets them on a real X server: where the
// 3-D charts open in a large main window, what the plots show right after a
// theme switch, and what a job's result table shows at its opening size.
#include "basic2dchart.h"
#include "chart3d.h"
#include "csvgraphwindow.h"
#include "customqwtcurve.h"
#include "customqwtcurvedata.h"
#include "demosession.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "mlvmultiplot.h"
#include "multicurveplotwindow.h"
#include "plotwidget.h"
#include "plotwidgetcontainer.h"
#include "plotwindow.h"
#include "readablecolour.h"
#include "resulttablemodel.h"
#include "resulttableview.h"

#include <qwt_legend_label.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_textlabel.h>
#include <qwt_scale_widget.h>

#include <QAction>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <memory>

class TestWindowsXvfb : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void chart3DOpensInsideTheArea();
    void themeSwitchRepaintsEveryPlot();
    void resultTableShowsValues();

private:
    std::unique_ptr<DemoSession> demo;
};

namespace {
template <typename T> QList<T *> subWindowsOf(MainWindow &w)
{
    QList<T *> found;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList(QMdiArea::CreationOrder))
        if (T *t = qobject_cast<T *>(sub->widget()))
            found << t;
    return found;
}

void trigger(MainWindow &w, const QString &name)
{
    QAction *action = w.findChild<QAction *>(name);
    if (!action) {
        for (QAction *a : w.findChildren<QAction *>())
            if (a->text() == name)
                action = a;
    }
    QVERIFY2(action, qPrintable(name));
    action->trigger();
}

QString describe(const QRect &r)
{
    return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The colour most pixels of the picture (or of a part of it) have.
QColor commonest(const QImage &image, const QRect &part = QRect())
{
    const QRect area = part.isValid() ? part.intersected(image.rect()) : image.rect();
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000u];
    QRgb best = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    }
    return QColor::fromRgb(best);
}

// The text drawn on a background: the commonest colour other than the
// background's (the full colour of the glyphs' strokes; their edges are
// blends, each of them rarer).
QColor ink(const QImage &image, const QRect &part, const QColor &background)
{
    const QRect area = part.intersected(image.rect());
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y) | 0xff000000u;
            if (p != (background.rgb() | 0xff000000u))
                ++counts[p];
        }
    }
    QRgb best = background.rgb();
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    }
    return QColor::fromRgb(best);
}

// The theme's own background of a window, as a widget without a colour
// of its own gets it.
QColor themeBackground()
{
    QWidget probe;
    probe.ensurePolished();
    return probe.palette().color(QPalette::Window);
}

// Every plot a theme must reach, with what the user sees of it.
struct PlotSeen
{
    QString where;
    QwtPlot *plot;
};

QList<PlotSeen> openPlots(MainWindow &w)
{
    QList<PlotSeen> plots;
    for (PlotWindow *window : w.plotWindows()) {
        const QMap<QString, PlotWidgetContainer *> &containers = window->plotWidgets();
        for (auto it = containers.cbegin(); it != containers.cend(); ++it)
            plots << PlotSeen{"plot of " + it.key(), it.value()->plotWidget()};
    }
    for (MultiCurvePlotWindow *multi : subWindowsOf<MultiCurvePlotWindow>(w))
        plots << PlotSeen{"multi-curve", multi->plotWidget()};
    for (MLVMultiPlot *mlv : subWindowsOf<MLVMultiPlot>(w)) {
        plots << PlotSeen{"MLV upper", mlv->upperPlot()};
        plots << PlotSeen{"MLV lower", mlv->lowerPlot()};
    }
    for (CSVGraphWindow *viewer : subWindowsOf<CSVGraphWindow>(w))
        plots << PlotSeen{"log viewer", viewer->plot()};
    return plots;
}

// Checks what each open plot shows now: its canvas, axes and legend in the
// theme's background, and every text written on them readable there.
void verifyPlots(MainWindow &w, const QString &theme)
{
    const QColor expected = themeBackground();
    const QList<PlotSeen> plots = openPlots(w);
    QVERIFY(plots.size() >= 7);
    for (const PlotSeen &seen : plots) {
        const QString where = theme + ", " + seen.where;
        QWidget *canvas = seen.plot->canvas();
        const QImage shown = canvas->grab().toImage();
        const QColor background = commonest(shown);
        QVERIFY2(background == expected, qPrintable(QString("%1: canvas %2, the theme's %3")
                                                        .arg(where, background.name(), expected.name())));
        // The curve titles written on the canvas, one line per title, drawn
        // alone on the canvas's background: curves may run beneath them.
        for (QwtPlotItem *item : seen.plot->itemList(QwtPlotItem::Rtti_PlotTextLabel)) {
            auto *label = static_cast<QwtPlotTextLabel *>(item);
            if (label->title().text() != QLatin1String("curvetitles"))
                continue;
            const QwtText text = label->text();
            if (!text.text().contains(QStringLiteral("<br>")))
                continue;
            QImage alone(shown.size(), QImage::Format_RGB32);
            alone.fill(background);
            {
                QPainter painter(&alone);
                item->draw(&painter, seen.plot->canvasMap(QwtPlot::xBottom), seen.plot->canvasMap(QwtPlot::yLeft),
                            QRectF(QPointF(0, 0), QSizeF(shown.size())));
            }
            // Each line: a run of rows with ink.
            int lineCount = 0;
            int top = -1;
            for (int y = 0; y <= alone.height(); ++y) {
                bool inked = false;
                for (int x = 0; y < alone.height() && x < alone.width() && !inked; ++x)
                    inked = alone.pixel(x, y) != background.rgb();
                if (inked && top < 0)
                    top = y;
                if (inked || top < 0)
                    continue;
                const QRect band(0, top, alone.width(), y - top);
                top = -1;
                // An underscore's row below its letters is no line of its own.
                if (band.height() < 4)
                    continue;
                const double contrast = ReadableColour::contrast(ink(alone, band, background), background);
                QVERIFY2(contrast >= 4.5, qPrintable(QString("%1: title line %2 at %3, contrast %4")
                                                         .arg(where).arg(lineCount + 1).arg(describe(band)).arg(contrast)));
                ++lineCount;
            }
            QVERIFY2(lineCount > 0, qPrintable(where + ": no curve title"));
        }
        for (int axis : {QwtPlot::yLeft, QwtPlot::xBottom}) {
            QwtScaleWidget *scale = seen.plot->axisWidget(axis);
            if (!scale || !scale->isVisible())
                continue;
            const QImage drawn = scale->grab().toImage();
            const QColor ground = commonest(drawn);
            const double contrast = ReadableColour::contrast(ink(drawn, drawn.rect(), ground), ground);
            QVERIFY2(contrast >= 4.5, qPrintable(QString("%1: axis %2, contrast %3").arg(where).arg(axis).arg(contrast)));
        }
    }
    for (QwtLegendLabel *label : w.mdi()->findChildren<QwtLegendLabel *>()) {
        if (!label->isVisible())
            continue;
        const QImage drawn = label->grab().toImage();
        const QColor ground = commonest(drawn);
        QVERIFY2(ground == expected, qPrintable(QString("%1, legend %2: %3, the theme's %4")
                                                    .arg(theme, label->text().text(), ground.name(), expected.name())));
        // The text's strokes, inside the frame and right of the curve's
        // colour mark.
        const QRect text = drawn.rect().adjusted(label->indent() + label->spacing(), 3, -3, -3);
        double strongest = 1.0;
        for (int y = text.top(); y <= text.bottom(); ++y)
            for (int x = text.left(); x <= text.right(); ++x)
                strongest = qMax(strongest, ReadableColour::contrast(QColor::fromRgb(drawn.pixel(x, y)), ground));
        QVERIFY2(strongest >= 4.5, qPrintable(QString("%1, legend %2: contrast %3")
                                                  .arg(theme, label->text().text()).arg(strongest)));
    }
}
} // namespace

void TestWindowsXvfb::init()
{
    demo = std::make_unique<DemoSession>(QStringLiteral(KELVO_SOURCE_DIR) + "/demo");
    QVERIFY(demo->isReady());
}

void TestWindowsXvfb::cleanup()
{
    qApp->setStyleSheet(QString());
    demo.reset();
}

// In a main window of 1600 x 1000 both kinds of "3D Chart" button open the
// chart whole inside the area, at its size.
void TestWindowsXvfb::chart3DOpensInsideTheArea()
{
    MainWindow &w = demo->window();
    w.resize(1600, 1000);
    QTRY_COMPARE(w.size(), QSize(1600, 1000));
    trigger(w, "actionChart2D");
    QList<Basic2DChart *> charts;
    QTRY_VERIFY(!(charts = subWindowsOf<Basic2DChart>(w)).isEmpty());
    const QRect area = w.mdi()->viewport()->rect();
    QVERIFY2(area.width() >= 1500, qPrintable(describe(area)));
    for (const char *button : {"btnChart3D", "btn3DLast", "btnChart3D", "btn3DLast"}) {
        const int before = subWindowsOf<Chart3D>(w).size();
        QTest::mouseClick(charts.first()->findChild<QPushButton *>(button), Qt::LeftButton);
        const QList<Chart3D *> opened = subWindowsOf<Chart3D>(w);
        QCOMPARE(opened.size(), before + 1);
        Chart3D *chart = opened.last();
        QCOMPARE(chart->size(), QSize(300, 300));
        const QRect place = chart->parentWidget()->geometry();
        QVERIFY2(area.contains(place), qPrintable(QString("%1 opened at %2 in an area of %3")
                                                      .arg(button, describe(place), describe(area))));
    }
}

// Night chosen with plots open, then Daylight: every canvas, title, axis
// and legend shows the new theme at once, before any page turns.
void TestWindowsXvfb::themeSwitchRepaintsEveryPlot()
{
    MainWindow &w = demo->window();
    QVERIFY(demo->chooseJob("MSV70", "Measurement values"));
    PlotWindow *window = nullptr;
    QTRY_VERIFY((window = w.plotWindows().isEmpty() ? nullptr : w.plotWindows().first()) != nullptr);
    ResultTableModel *model = window->findChild<ResultTableView *>("tableView")->tableModel();
    QTRY_VERIFY(model->rowCount() >= 3);
    // Three results with numbers: byte data and texts draw no curve.
    int ticked = 0;
    for (int row = 0; row < model->rowCount() && ticked < 3; ++row) {
        const int format = model->userData(row, 0).value<CJobResult>().format;
        if (format == 2 || format == 4 || format == 8) {
            model->setCellData(row, 0, Qt::Checked, Qt::CheckStateRole);
            ++ticked;
        }
    }
    QCOMPARE(window->plotWidgets().size(), 3);
    QTest::mouseClick(window->findChild<QPushButton *>("btnMultiCurve"), Qt::LeftButton);
    QTRY_COMPARE(subWindowsOf<MultiCurvePlotWindow>(w).size(), 1);
    trigger(w, "actionMLV");
    QVERIFY(w.openLogViewer(QStringLiteral("demo-drive.csv")));
    // The curves have points, drawn one by one on the last picture.
    PlotWidget *first = window->plotWidgets().first()->plotWidget();
    QTRY_VERIFY_WITH_TIMEOUT(first->curveAt(0) && first->curveAt(0)->curveData()->pointCount() >= 5, 10000);
    for (const char *theme : {"Night", "Daylight"}) {
        trigger(w, theme);
        // Only what the switch itself brings: the events it posted.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        DemoSession::shoot(w.mdi(), "KELVO_WINDOW_SHOTS", QString("plots-%1").arg(theme));
        verifyPlots(w, theme);
        if (QTest::currentTestFailed())
            return;
    }
}

// The demo's measurement values have long names: at the window's opening
// size the table still shows each name whole and its value beside it,
// without scrolling.
void TestWindowsXvfb::resultTableShowsValues()
{
    MainWindow &w = demo->window();
    QVERIFY(demo->chooseJob("MSV70", "Measurement values"));
    PlotWindow *window = nullptr;
    QTRY_VERIFY((window = w.plotWindows().isEmpty() ? nullptr : w.plotWindows().first()) != nullptr);
    const QSize opening = window->size();
    auto *view = window->findChild<ResultTableView *>("tableView");
    const QAbstractItemView *cells = view;
    ResultTableModel *model = view->tableModel();
    QTRY_VERIFY(model->rowCount() > 10);
    auto shown = [&]() -> QString {
        const int right = view->viewport()->width();
        const int valueLeft = view->columnViewportPosition(2);
        if (valueLeft < 0 || valueLeft >= right)
            return QString("the value column starts at %1, the table shows 0..%2").arg(valueLeft).arg(right);
        if (view->columnWidth(0) < cells->sizeHintForColumn(0))
            return QString("names need %1, have %2").arg(cells->sizeHintForColumn(0)).arg(view->columnWidth(0));
        const QFontMetrics metrics(view->font());
        for (int row = 0; row < model->rowCount(); ++row) {
            const QString value = model->data(model->index(row, 2)).toString();
            if (value.isEmpty())
                return QString("row %1 has no value yet").arg(row);
            const int needed = qMin(metrics.horizontalAdvance(value), metrics.horizontalAdvance("-00000.000"));
            if (valueLeft + needed > right)
                return QString("value %1 of row %2 ends at %3, the table shows 0..%4")
                    .arg(value).arg(row).arg(valueLeft + needed).arg(right);
        }
        if (view->horizontalScrollBar()->value() != 0)
            return "scrolled";
        return QString();
    };
    QTRY_VERIFY2_WITH_TIMEOUT(shown().isEmpty(), qPrintable(shown()), 5000);
    DemoSession::shoot(w.mdi(), "KELVO_WINDOW_SHOTS", "result-table");
    QCOMPARE(window->size(), opening);
    // Still so a while later, once every value has come.
    QTest::qWait(1000);
    QVERIFY2(shown().isEmpty(), qPrintable(shown()));
}

QTEST_MAIN(TestWindowsXvfb)
#include "tst_windowsxvfb.moc"
