// The menus' shortcuts reach their entries whatever has the keyboard focus:
// a text field's own editing keys (Ctrl+E moves to the end of the line)
// must not swallow them. Needs a real X server: focus and window
// activation.
#include "debugform.h"
#include "ecujoblistwindow.h"
#include "extloggersetupwindow.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "seriaporttestform.h"
#include "workdir.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTextEdit>
#include <QtTest>

namespace {

struct Entry
{
    const char *action;
    const char *keys;
};

// Every menu entry with a shortcut that the user can reach.
const Entry menuShortcuts[] = {
    {"actionDetect_ECU", "Ctrl+D"}, {"actionPause", "Ctrl+T"},   {"actionStart", "Ctrl+R"},
    {"actionReset_all", "F5"},      {"actionSave_all_graphs", "F6"}, {"actionSave_all_screenshots", "F7"},
    {"actionLogging", "F1"},        {"actionGauges", "F3"},      {"actionMulti_plot_window", "F2"},
    {"actionExternal_source", "Ctrl+E"},
};

void press(QWidget *target, const QKeySequence &keys)
{
    const int code = keys[0];
    QTest::keyClick(target, Qt::Key(code & ~Qt::KeyboardModifierMask),
                    Qt::KeyboardModifiers(code & Qt::KeyboardModifierMask));
}

// Without a window manager nothing activates a window on its own.
bool showActive(QWidget *w)
{
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        return false;
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

template <typename W>
W *subWindowWidget(MainWindow &w)
{
    for (QMdiSubWindow *sub : w.mdi()->subWindowList()) {
        if (auto *widget = qobject_cast<W *>(sub->widget()))
            return widget;
    }
    return nullptr;
}

} // namespace

class TestMenuShortcuts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void ctrlEAtStartUpOpensExternalSource();
    void tableHoldsEveryMenuShortcut();
    void shortcutsWinOverTextFields_data();
    void shortcutsWinOverTextFields();
    void fieldsKeepTheirOtherKeys();

private:
    bool ensureWindow();
    void focus(QWidget *field);

    WorkDir *wd = nullptr;
    MainWindow *window = nullptr;
};

void TestMenuShortcuts::initTestCase()
{
    wd = new WorkDir;
}

// One main window for all cases (it owns the program's singletons, so
// there is never a second one), fresh for the first.
bool TestMenuShortcuts::ensureWindow()
{
    if (!window)
        window = new MainWindow({"kelvo", "simulation"});
    return showActive(window);
}

void TestMenuShortcuts::cleanupTestCase()
{
    delete window;
    delete wd;
}

void TestMenuShortcuts::focus(QWidget *field)
{
    field->activateWindow();
    field->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(field->hasFocus());
}

// Right after start-up the ECU list's filter has the focus; Ctrl+E opens
// the external source window all the same.
void TestMenuShortcuts::ctrlEAtStartUpOpensExternalSource()
{
    QVERIFY(!window);
    QVERIFY(ensureWindow());
    auto *filter = window->ecuList()->findChild<QLineEdit *>("txtFilter");
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(filter));
    press(filter, QKeySequence("Ctrl+E"));
    QVERIFY(subWindowWidget<ExtLoggerSetupWindow>(*window));
}

void TestMenuShortcuts::tableHoldsEveryMenuShortcut()
{
    QVERIFY(ensureWindow());
    QStringList inMenus;
    QList<QAction *> pending = window->menuBar()->actions();
    while (!pending.isEmpty()) {
        QAction *action = pending.takeFirst();
        if (!action->isVisible() || !action->isEnabled())
            continue;
        if (action->menu())
            pending += action->menu()->actions();
        else if (!action->shortcut().isEmpty())
            inMenus << action->objectName() + " " + action->shortcut().toString();
    }
    QStringList table;
    for (const Entry &e : menuShortcuts)
        table << QString(e.action) + " " + e.keys;
    inMenus.sort();
    table.sort();
    QCOMPARE(inMenus, table);
}

void TestMenuShortcuts::shortcutsWinOverTextFields_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QKeySequence>("keys");
    for (const Entry &e : menuShortcuts)
        QTest::newRow(e.keys) << QString(e.action) << QKeySequence(e.keys);
}

// In a line edit of the main window's own list, in a sub-window's text
// area and in an editable combo box.
void TestMenuShortcuts::shortcutsWinOverTextFields()
{
    QFETCH(QString, action);
    QFETCH(QKeySequence, keys);
    QVERIFY(ensureWindow());
    auto *entry = window->findChild<QAction *>(action);
    QVERIFY(entry);
    if (!subWindowWidget<DebugForm>(*window))
        window->findChild<QAction *>("actionTrace")->trigger();
    if (!subWindowWidget<SeriaPortTestForm>(*window))
        window->findChild<QAction *>("actionSerial_Port")->trigger();
    const QList<QWidget *> fields = {
        window->ecuList()->findChild<QLineEdit *>("txtFilter"),
        subWindowWidget<DebugForm>(*window)->findChild<QTextEdit *>("textEdit"),
        subWindowWidget<SeriaPortTestForm>(*window)->findChild<QComboBox *>("cmbSendHex"),
    };
    for (QWidget *field : fields) {
        QVERIFY(field);
        focus(field);
        QSignalSpy triggered(entry, &QAction::triggered);
        press(field, keys);
        QVERIFY2(triggered.count() == 1, qPrintable(field->objectName()));
    }
}

// Only the menus' keys are taken: the fields still edit with theirs.
void TestMenuShortcuts::fieldsKeepTheirOtherKeys()
{
    QVERIFY(ensureWindow());
    auto *filter = window->ecuList()->findChild<QLineEdit *>("txtFilter");
    focus(filter);
    filter->setText("D_MOTOR");
    filter->setCursorPosition(2);
    QTest::keyClick(filter, Qt::Key_End);
    QCOMPARE(filter->cursorPosition(), 7);
    QTest::keyClick(filter, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(filter->selectedText(), QString("D_MOTOR"));
    QTest::keyClick(filter, Qt::Key_Backspace);
    QCOMPARE(filter->text(), QString());
}

QTEST_MAIN(TestMenuShortcuts)
#include "tst_menushortcuts.moc"
