#include "jobargumentdialog.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class TestJobArgumentDialog : public QObject
{
    Q_OBJECT
private slots:
    void closing_data();
    void closing();
    void form();
};

void TestJobArgumentDialog::closing_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button"); // ok, cancel, close
    QTest::addColumn<QString>("expected");
    QTest::newRow("ok edits") << "1;2" << "3;4" << "ok" << "3;4";
    QTest::newRow("cancel keeps") << "1;2" << "3;4" << "cancel" << "1;2";
    QTest::newRow("close keeps") << "1;2" << "3;4" << "close" << "1;2";
    QTest::newRow("ok empty") << "ARG" << "" << "ok" << "";
    QTest::newRow("line breaks kept") << "" << "a;\nb;\n" << "ok" << "a;\nb;\n";
    QTest::newRow("latin1 kept") << "" << QString::fromLatin1("Gr\xfc\xdf") << "ok"
                                 << QString::fromLatin1("Gr\xfc\xdf");
}

void TestJobArgumentDialog::closing()
{
    QFETCH(QString, initial);
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(QString, expected);
    JobArgumentDialog dlg(nullptr, initial);
    auto *edit = dlg.findChild<QPlainTextEdit *>("textEdit");
    QVERIFY(edit);
    QCOMPARE(edit->toPlainText(), initial);
    edit->setPlainText(typed);
    auto *box = dlg.findChild<QDialogButtonBox *>("buttonBox");
    QVERIFY(box);
    dlg.show();
    if (button == "ok")
        box->button(QDialogButtonBox::Ok)->click();
    else if (button == "cancel")
        box->button(QDialogButtonBox::Cancel)->click();
    else
        dlg.close();
    QCOMPARE(dlg.result(), button == "ok" ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(dlg.argument(), expected);
}

void TestJobArgumentDialog::form()
{
    JobArgumentDialog dlg(nullptr, "x");
    QCOMPARE(dlg.windowTitle(), QString("Job argument"));
    QCOMPARE(dlg.size(), QSize(400, 300));
    QCOMPARE(dlg.findChild<QPlainTextEdit *>("textEdit")->font().pointSize(), 10);
    QCOMPARE(dlg.findChild<QDialogButtonBox *>("buttonBox")->orientation(), Qt::Vertical);
}

QTEST_MAIN(TestJobArgumentDialog)
#include "tst_jobargumentdialog.moc"
