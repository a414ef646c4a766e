#pragma once
// The fonts the dashboards ask for by the names their definitions use: the
// 7-segment digits ship inside the program (DSEG7 Classic, from fonts-dseg);
// the other families come from Debian's font packages.
#include <QString>

class KelvoFonts
{
public:
    // Registers the bundled fonts and maps the family names to the fonts
    // that stand in for them. Needs the GUI application; runs once, later
    // calls return the first outcome. False when the bundled font could not
    // be loaded (the digits then fall back to the default font).
    static bool install();

    // The family that draws the 7-segment digits.
    static QString digitsFamily();
};
