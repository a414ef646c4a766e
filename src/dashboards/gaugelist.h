#pragma once
// The gauges for a set of chosen results: the grid's column count and, per
// result, the definition to show it with. A result keeps the definition its
// ECU's gauge files give it (matched on the upper-cased job and result
// names, as the files are read) and a fixed scale; a result without one gets
// a definition made from the caller's defaults and scales itself. Widgets
// play no part here: the caller builds the screen from the list.
#include "cjobresultpair.h"
#include "gaugedef.h"

#include <QList>
#include <QString>
#include <functional>

class GaugeDefManager;

struct GaugeListEntry
{
    CJobResultPair pair;
    GaugeDef def;
    bool autoScale = false;
};

struct GaugeList
{
    int columns = 1;
    QList<GaugeListEntry> entries;
};

class GaugeListBuilder
{
public:
    // The readable title of an upper-cased result name, or an empty text.
    using TitleLookup = std::function<QString(const QString &upperResultName)>;

    // Unit "-", range 0 to 1 and the colours of a gauge the plot window
    // makes for a result that has no definition.
    static GaugeDef plotWindowDefaults();

    // Entries follow the pairs grouped by ECU name (the ECUs in the order
    // they first appear, each ECU's pairs in their own order). A made
    // definition is titled by the lookup, else by the result name without
    // "STAT_" and "_WERT". Columns: the integer square root of the number
    // of pairs, at least 1.
    static GaugeList build(const QList<CJobResultPair> &pairs, const GaugeDefManager &manager,
                           const GaugeDef &defaults, const TitleLookup &title = TitleLookup());

    static int columnsFor(int count);
    // The result name without "STAT_" and "_WERT" (letter case as it is).
    static QString strippedName(const QString &resultName);
};
