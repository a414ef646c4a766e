// The dialog that names a new custom job: texts in, texts out, nothing checked.
#include "createjobdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestCreateJobDialog : public QObject
{
    Q_OBJECT
private slots:
    void form();
    void textsComeBackAfterOk();
    void editedJobnameIsTheComment();
    void cancelGivesZero();
};

namespace {
// Runs the dialog modally and lets `act` answer it once it shows.
int execWith(CreateJobDialog &dialog, const std::function<void()> &act)
{
    QTimer::singleShot(0, &dialog, [&dialog, act] {
        QTRY_VERIFY(dialog.isVisible());
        act();
    });
    return dialog.exec();
}

QPushButton *button(CreateJobDialog &dialog, QDialogButtonBox::StandardButton which)
{
    return dialog.findChild<QDialogButtonBox *>("buttonBox")->button(which);
}
} // namespace

void TestCreateJobDialog::form()
{
    CreateJobDialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("Dialog"));
    QCOMPARE(dialog.size(), QSize(391, 140));
    QCOMPARE(dialog.findChild<QLabel *>("label_3")->text(), QString("Jobname"));
    QCOMPARE(dialog.findChild<QDialogButtonBox *>("buttonBox")->orientation(), Qt::Vertical);
    for (const char *edit : {"txtEcu", "txtVirtualName", "txtComment"}) {
        QVERIFY(dialog.findChild<QLineEdit *>(edit)->text().isEmpty());
        QCOMPARE(dialog.findChild<QLineEdit *>(edit)->font().pointSize(), 10);
    }
}

void TestCreateJobDialog::textsComeBackAfterOk()
{
    CreateJobDialog dialog;
    dialog.setEcu("MSV70");
    dialog.setVirtualName("SET_2");
    dialog.setComment("Engine values");
    QCOMPARE(dialog.findChild<QLineEdit *>("txtVirtualName")->text(), QString("SET_2"));
    QVERIFY(execWith(dialog, [&] { button(dialog, QDialogButtonBox::Ok)->click(); }) != 0);
    QCOMPARE(dialog.ecu(), QString("MSV70"));
    QCOMPARE(dialog.virtualName(), QString("SET_2"));
    QCOMPARE(dialog.comment(), QString("Engine values"));
}

void TestCreateJobDialog::editedJobnameIsTheComment()
{
    CreateJobDialog dialog;
    dialog.setEcu("MSV70");
    dialog.setComment("old");
    const int result = execWith(dialog, [&] {
        QLineEdit *jobname = dialog.findChild<QLineEdit *>("txtComment");
        jobname->clear();
        QTest::keyClicks(jobname, "My values");
        QTest::keyClick(jobname, Qt::Key_Return); // the default button: Ok
    });
    QVERIFY(result != 0);
    QCOMPARE(dialog.comment(), QString("My values"));
    QCOMPARE(dialog.ecu(), QString("MSV70"));
}

void TestCreateJobDialog::cancelGivesZero()
{
    CreateJobDialog dialog;
    QCOMPARE(execWith(dialog, [&] { button(dialog, QDialogButtonBox::Cancel)->click(); }), 0);
    CreateJobDialog escaped;
    QCOMPARE(execWith(escaped, [&] { QTest::keyClick(&escaped, Qt::Key_Escape); }), 0);
}

QTEST_MAIN(TestCreateJobDialog)
#include "tst_createjobdialog.moc"
