#pragma once
// The main window as a window that opens sub-windows sees it: an MDI area
// of a fixed size that opens a widget sized before at that size, the ECU
// the user chose, and job listeners registered with the feed's job receiver
// (and remembered).
#include "mdihost.h"

#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>

class FakeMdiHost : public MdiHost
{
public:
    explicit FakeMdiHost(const QSize &size = QSize(1000, 800));

    QMdiSubWindow *addSubWindow(QWidget *widget) override;
    bool connectJobListener(QObject *listener) override;
    QString currentEcu() override { return ecu; }
    QSize hostSize() const override { return size; }

    // The area's windows of one class, in the order they were added.
    template <typename T> QList<T *> windows() const
    {
        QList<T *> found;
        for (QMdiSubWindow *sub : area.subWindowList(QMdiArea::CreationOrder))
            if (T *w = qobject_cast<T *>(sub->widget()))
                found << w;
        return found;
    }

    QMdiArea area;
    QSize size;
    QString ecu;
    QList<QObject *> listeners;
};
