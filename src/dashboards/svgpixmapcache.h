#pragma once
// A picture kept both as its SVG renderer and as a pixmap. The dials hold
// two of them for pictures they may draw one day; no drawing step uses them.
#include <QObject>
#include <QPixmap>
#include <QSvgRenderer>

class SvgPixmapCache : public QObject
{
    Q_OBJECT
public:
    explicit SvgPixmapCache(QObject *parent = nullptr);

private:
    QSvgRenderer m_renderer;
    QPixmap m_pixmap;
};
