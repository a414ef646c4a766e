#include "svgpixmapcache.h"

SvgPixmapCache::SvgPixmapCache(QObject *parent)
    : QObject(parent)
{
}
