// The MDI area: its background picture, the rescale after a resize gesture
// and the working-directory note it leaves.
#include "mdiarea.h"
#include "workdir.h"

#include <QImage>
#include <QtTest>

class TestMdiArea : public QObject
{
    Q_OBJECT
private slots:
    void writesWorkingDirectoryOverLongerOldText();
    void picturePreference_data();
    void picturePreference();
    void rescalesToWidthAfterResizing();
    void runsWithoutPicture();
};

namespace {
bool writePicture(const QString &path, const QColor &colour, const char *format)
{
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path, format);
}
} // namespace

void TestMdiArea::writesWorkingDirectoryOverLongerOldText()
{
    WorkDir wd;
    const QByteArray old(QDir::currentPath().toLocal8Bit().size() + 50, 'x');
    wd.write("data2.txt", old);
    MdiArea area;
    QCOMPARE(wd.read("data2.txt"), QDir::currentPath().toLocal8Bit());
}

void TestMdiArea::picturePreference_data()
{
    QTest::addColumn<bool>("jpg");
    QTest::addColumn<bool>("png");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("both: jpg wins") << true << true << QColor(Qt::blue);
    QTest::newRow("png only") << false << true << QColor(Qt::red);
}

void TestMdiArea::picturePreference()
{
    QFETCH(bool, jpg);
    QFETCH(bool, png);
    QFETCH(QColor, expected);
    WorkDir wd;
    if (jpg)
        QVERIFY(writePicture(wd.filePath("logo.jpg"), Qt::blue, "JPG"));
    if (png)
        QVERIFY(writePicture(wd.filePath("logo.png"), Qt::red, "PNG"));
    MdiArea area;
    QVERIFY(!area.backgroundPicture().isNull());
    const QColor centre = area.backgroundPicture().toImage().pixelColor(100, 50);
    // JPEG is lossy: compare the dominant channel only.
    if (expected == QColor(Qt::blue))
        QVERIFY(centre.blue() > 200 && centre.red() < 60);
    else
        QVERIFY(centre.red() > 200 && centre.blue() < 60);
    QCOMPARE(static_cast<QMdiArea &>(area).background().texture().width(), 200);
}

void TestMdiArea::rescalesToWidthAfterResizing()
{
    WorkDir wd;
    QVERIFY(writePicture(wd.filePath("logo.png"), Qt::red, "PNG"));
    MdiArea area;
    area.resize(640, 480);
    area.show();
    QTRY_COMPARE_WITH_TIMEOUT(static_cast<QMdiArea &>(area).background().texture().width(), 640, 5000);
    QCOMPARE(static_cast<QMdiArea &>(area).background().texture().height(), 320);
    area.resize(400, 300);
    QTRY_COMPARE_WITH_TIMEOUT(static_cast<QMdiArea &>(area).background().texture().width(), 400, 5000);
    // Rescaled from the loaded picture, not from an earlier copy.
    QCOMPARE(area.backgroundPicture().width(), 200);
}

void TestMdiArea::runsWithoutPicture()
{
    WorkDir wd;
    MdiArea area;
    QVERIFY(area.backgroundPicture().isNull());
    area.resize(300, 200);
    area.show();
    area.resizeDone();
    QVERIFY(static_cast<QMdiArea &>(area).background().texture().isNull());
}

QTEST_MAIN(TestMdiArea)
#include "tst_mdiarea.moc"
