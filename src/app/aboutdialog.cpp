#include "aboutdialog.h"
#include "ui_aboutdialog.h"

#include <QDesktopServices>

namespace {
QString &configuredAccount()
{
    static QString account;
    return account;
}
} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutDialog)
    , account(configuredAccount())
{
    ui->setupUi(this);
    if (account.isEmpty()) {
        ui->pushButton->setEnabled(false);
        ui->pushButton->setToolTip(tr("No donation account is set up in this build of the program."));
    }
}

AboutDialog::~AboutDialog()
{
    delete ui;
}

void AboutDialog::setDonationAccount(const QString &value)
{
    configuredAccount() = value;
}

QUrl AboutDialog::donationUrl(const QString &account)
{
    QUrl url(QStringLiteral("https://www.paypal.com/cgi-bin/webscr"));
    // Written out so that the items keep their order.
    const QString query = QStringLiteral("cmd=_donations&business=")
                          + QString::fromLatin1(QUrl::toPercentEncoding(account))
                          + QStringLiteral("&lc=FI&currency_code=EUR"
                                           "&bn=PP%2dDonationsBF%3abtn_donateCC_LG%2egif%3aNonHosted");
    url.setQuery(query, QUrl::StrictMode);
    return url;
}

void AboutDialog::on_pushButton_clicked()
{
    if (account.isEmpty())
        return;
    // Without a browser nothing happens; there is nothing to report.
    QDesktopServices::openUrl(donationUrl(account));
}
