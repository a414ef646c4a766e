#pragma once
// Puts the EDIABAS stand-in into a known state for one test case: reset on
// construction and destruction (no session, no script, empty call log).
// Helpers read the call log by call name.
#include "ediabasstandin.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class EdiabasFixture
{
public:
    EdiabasFixture();
    ~EdiabasFixture();
    EdiabasFixture(const EdiabasFixture &) = delete;
    EdiabasFixture &operator=(const EdiabasFixture &) = delete;

    // Loads a script in process; on failure the reason is in error().
    bool load(const QByteArray &json);
    QString error() const { return lastError; }

    // Names of the logged calls, in order.
    static QStringList calls();
    static int count(const QString &call);

private:
    QString lastError;
};
