#pragma once
// One display frame for all live views of the GUI thread: a view that has
// new values asks for a frame and draws them when it comes. However many
// jobs arrive and however many windows show them, the screen is painted at
// most once a frame, in one pass for all windows.
#include <QObject>
#include <QTimer>

class FrameClock : public QObject
{
    Q_OBJECT
public:
    // A frame at the refresh rate of common displays.
    enum { FrameMs = 33 };

    // Lives as long as the application object; GUI thread only.
    static FrameClock *instance();

    // The next frame() comes within FrameMs; asking again before it changes
    // nothing.
    void request();

signals:
    void frame();

private:
    explicit FrameClock(QObject *parent);

    QTimer m_timer;
};
