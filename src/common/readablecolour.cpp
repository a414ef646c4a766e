#include "readablecolour.h"

#include <QEvent>
#include <QPalette>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

const double readableContrast = 4.5;

double channel(double c)
{
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

QColor mix(const QColor &from, const QColor &to, double t)
{
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    auto between = [t](int x, int y) { return qRound(x + (y - x) * t); };
    return QColor(between(a.red(), b.red()), between(a.green(), b.green()), between(a.blue(), b.blue()));
}

// Calls a function on every palette or style change of the widget it
// watches (a theme applied or taken away); what the function itself changes
// does not call it again.
class ThemeWatcher : public QObject
{
public:
    ThemeWatcher(QWidget *widget, std::function<void()> fn)
        : QObject(widget)
        , changed(std::move(fn))
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (!busy && (type == QEvent::PaletteChange || type == QEvent::StyleChange)) {
            busy = true;
            changed();
            busy = false;
        }
        return QObject::eventFilter(watched, event);
    }

    std::function<void()> changed;

private:
    bool busy = false;
};

const char *const textColourKey = "readableTextColour";

// The watchers are the only children named after their key.
ThemeWatcher *watcherOf(QWidget *widget, const char *key)
{
    return static_cast<ThemeWatcher *>(
        widget->findChild<QObject *>(QString::fromLatin1(key), Qt::FindDirectChildrenOnly));
}

} // namespace

double ReadableColour::contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableColour::on(const QColor &wanted, const QColor &background)
{
    if (contrast(wanted, background) >= readableContrast)
        return wanted;
    // Black reads on anything lighter than a mid grey, white on the rest.
    const QColor away = luminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    for (int step = 1; step <= 20; ++step) {
        const QColor shade = mix(wanted, away, step / 20.0);
        if (contrast(shade, background) >= readableContrast)
            return shade;
    }
    return away;
}

void ReadableColour::setTextColour(QWidget *widget, const QColor &wanted)
{
    // Through the widget's own style sheet: it wins over the theme's, and
    // taking it away gives the theme's colour back. Only the colour is set,
    // so the background stays the theme's.
    auto apply = [widget] {
        const QColor colour = widget->property(textColourKey).value<QColor>();
        widget->ensurePolished();
        const QColor background = widget->palette().color(widget->backgroundRole());
        const QString sheet = colour.isValid() ? QStringLiteral("color: %1;").arg(on(colour, background).name()) : QString();
        if (widget->styleSheet() != sheet)
            widget->setStyleSheet(sheet);
    };
    widget->setProperty(textColourKey, wanted);
    if (!watcherOf(widget, textColourKey)) {
        // A theme change restyles the widget from inside its polish; the new
        // style sheet waits until that is over.
        auto *watcher = new ThemeWatcher(widget, nullptr);
        watcher->changed = [watcher, apply] { QMetaObject::invokeMethod(watcher, apply, Qt::QueuedConnection); };
        watcher->setObjectName(QString::fromLatin1(textColourKey));
    }
    apply();
}

void ReadableColour::watchTheme(QWidget *widget, const char *key, std::function<void()> changed)
{
    if (watcherOf(widget, key))
        return;
    auto *watcher = new ThemeWatcher(widget, std::move(changed));
    watcher->setObjectName(QString::fromLatin1(key));
}
