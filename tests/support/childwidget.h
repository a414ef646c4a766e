#pragma once
// A named child of a window under test, of the given type; the test stops
// at once when the form has no such child (a renamed control).
#include <QObject>
#include <QString>
#include <QtGlobal>

template<class T> T *childWidget(const QObject &parent, const char *name)
{
    T *c = parent.findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}
