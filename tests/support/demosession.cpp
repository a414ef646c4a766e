#include "demosession.h"

#include "ecujoblistwindow.h"
#include "mainwindow.h"

#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QTest>

DemoSession::DemoSession(const QString &demo)
{
    const bool copied = wd.copyTree(demo);
    mainWindow = std::make_unique<MainWindow>(QStringList{"kelvo", "simulation"});
    mainWindow->resize(1280, 1000);
    mainWindow->show();
    mainWindow->activateWindow();
    ready = copied && QTest::qWaitForWindowActive(mainWindow.get());
}

DemoSession::~DemoSession()
{
    // The window goes while its working directory is still there.
    mainWindow.reset();
}

bool DemoSession::chooseJob(const QString &ecu, const QString &jobTitle)
{
    MainWindow &w = *mainWindow;
    auto *ecus = w.ecuList()->findChild<QListWidget *>("listEcus");
    auto *jobs = w.ecuList()->findChild<QListWidget *>("listJobs");
    for (int row = 0; row < ecus->count(); ++row)
        if (ecus->item(row)->data(Qt::UserRole).toString() == ecu)
            ecus->setCurrentRow(row);
    if (w.currentEcu() != ecu) {
        qWarning("ECU %s is not listed", qPrintable(ecu));
        return false;
    }
    const QList<QListWidgetItem *> found = jobs->findItems(jobTitle, Qt::MatchExactly);
    if (found.isEmpty()) {
        qWarning("job %s is not listed", qPrintable(jobTitle));
        return false;
    }
    jobs->scrollToItem(found.first());
    const QRect rect = jobs->visualItemRect(found.first());
    QTest::mouseClick(jobs->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(jobs->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    return true;
}

void DemoSession::shoot(QWidget *widget, const char *directoryVariable, const QString &name, bool wholeScreen)
{
    const QString dir = qEnvironmentVariable(directoryVariable);
    if (dir.isEmpty())
        return;
    QTest::qWait(300);
    if (!widget->grab().save(dir + "/" + name + ".png"))
        qWarning("cannot save %s", qPrintable(name));
    if (QScreen *screen = QGuiApplication::primaryScreen(); wholeScreen && screen)
        screen->grabWindow(0).save(dir + "/" + name + "-screen.png");
}
