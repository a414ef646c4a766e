#pragma once
// "kelvo.ini" in the working directory, INI format with the codec "UTF-8",
// opened anew for each read or write as the program always did.
#include <QSettings>
#include <memory>

class KelvoSettings
{
public:
    static QString fileName(); // "kelvo.ini"
    static std::unique_ptr<QSettings> open();
    // Reads an integer key clamped to [lo, hi]; missing or unreadable gives def.
    // When a value is present but not used as written, *replaced (if given)
    // is set to the text read; else it is left null.
    static int intValue(const QString &key, int def, int lo, int hi, QString *replaced = nullptr);
};
