#include "kelvofonts.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>
#include <QThread>

namespace {
const char *const digitsFile = ":/fonts/digital_counter_7.ttf";
const char *const digitsName = "DSEG7 Classic";

// Family names of the gauge definitions and forms and what draws them here.
struct Substitute
{
    const char *asked;
    const char *given;
};
const Substitute substitutes[] = {
    {"digital counter 7", digitsName},
    // The diesel dashboard's monospaced labels.
    {"Consolas", "DejaVu Sans Mono"},
};
} // namespace

bool KelvoFonts::install()
{
    // Fonts belong to the GUI thread; a call before the application exists
    // is not remembered, so the next one tries again.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        || QThread::currentThread() != QCoreApplication::instance()->thread()) {
        qWarning() << "KelvoFonts::install needs the GUI thread of a running application";
        return false;
    }
    static bool done = false;
    static bool loaded = false;
    if (done)
        return loaded;
    done = true;

    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(digitsFile));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    qDebug() << "font id:" << id << families;
    loaded = families.contains(QString::fromLatin1(digitsName));
    if (!loaded)
        qWarning() << "the gauge digits font" << digitsFile << "could not be loaded";
    for (const Substitute &s : substitutes)
        QFont::insertSubstitution(QString::fromLatin1(s.asked), QString::fromLatin1(s.given));
    return loaded;
}

QString KelvoFonts::digitsFamily()
{
    return QString::fromLatin1(digitsName);
}
