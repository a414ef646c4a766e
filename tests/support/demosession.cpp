#include "demosession.h"

#include "ecujoblistwindow.h"
#include "mainwindow.h"
#include "workdir.h"

#include <QDirIterator>
#include <QFile>
#include <QListWidget>
#include <QTest>

bool DemoSession::copyDemo(const QString &demo, const WorkDir &wd)
{
    QDirIterator it(demo, QDir::Files, QDirIterator::Subdirectories);
    bool ok = true;
    while (it.hasNext()) {
        const QString file = it.next();
        QFile in(file);
        ok = in.open(QIODevice::ReadOnly) && wd.write(QDir(demo).relativeFilePath(file), in.readAll()) && ok;
    }
    return ok;
}

bool DemoSession::chooseJob(MainWindow &w, const QString &ecu, const QString &jobTitle)
{
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
