#pragma once
// main() for widget tests that also run under ThreadSanitizer: GLib's event
// dispatcher is not built with it, which then reports its wake-up pipe as a
// race; Qt's own dispatcher is.
#include <QApplication>
#include <QtTest>

#define KELVO_GUI_TEST_MAIN(TestObject)                                                                                \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        qputenv("QT_NO_GLIB", "1");                                                                                    \
        QApplication app(argc, argv);                                                                                  \
        TestObject test;                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
