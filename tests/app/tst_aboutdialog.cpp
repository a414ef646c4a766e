// The donation dialog offscreen: its form, the donation address handed to
// the desktop (caught by a URL handler), and the button without an account.
#include "aboutdialog.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrlQuery>
#include <QtTest>

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestAboutDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void form();
    void clickOpensDonationPage();
    void withoutAccountButtonIsDisabled();

private:
    UrlCatcher catcher;
};

void TestAboutDialog::init()
{
    catcher.opened.clear();
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
}

void TestAboutDialog::cleanup()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    AboutDialog::setDonationAccount(QString());
}

void TestAboutDialog::form()
{
    AboutDialog d;
    QCOMPARE(d.windowTitle(), QString("Donate"));
    QCOMPARE(d.size(), QSize(552, 302));
    QLabel *label = d.findChild<QLabel *>("label");
    QVERIFY(label->text().contains("<span style=\" font-weight:600;\">Thank You! :-)</span>"));
    QCOMPARE(label->font().family(), QString("Arial"));
    QCOMPARE(label->font().pointSize(), 10);
    QPushButton *button = d.findChild<QPushButton *>("pushButton");
    QVERIFY(button->text().isEmpty());
    QCOMPARE(button->iconSize(), QSize(240, 240));
    QVERIFY(!button->icon().isNull());
    QVERIFY(!QPixmap(":/icons/paypal_donate_button.png").isNull());
}

void TestAboutDialog::clickOpensDonationPage()
{
    AboutDialog::setDonationAccount(QStringLiteral("donations+kelvo@example.org"));
    AboutDialog d;
    d.show();
    QPushButton *button = d.findChild<QPushButton *>("pushButton");
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(catcher.opened.size(), 1);
    const QUrl url = catcher.opened.first();
    QCOMPARE(url.scheme(), QString("https"));
    QCOMPARE(url.path(), QString("/cgi-bin/webscr"));
    const QList<QPair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    const QList<QPair<QString, QString>> expected{
        {"cmd", "_donations"},
        {"business", "donations+kelvo@example.org"},
        {"lc", "FI"},
        {"currency_code", "EUR"},
        {"bn", "PP-DonationsBF:btn_donateCC_LG.gif:NonHosted"},
    };
    QCOMPARE(items, expected);

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(catcher.opened.size(), 2);
    QCOMPARE(catcher.opened.at(1), url);
    QVERIFY(d.isVisible());
}

void TestAboutDialog::withoutAccountButtonIsDisabled()
{
    AboutDialog d;
    d.show();
    QPushButton *button = d.findChild<QPushButton *>("pushButton");
    QVERIFY(!button->isEnabled());
    QVERIFY(!button->toolTip().isEmpty());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(catcher.opened.size(), 0);
}

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
