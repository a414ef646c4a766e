#pragma once
// The window behind "Donate": asks for a donation and, on a click on its
// button, opens the payment service's donation page in the desktop's
// browser. The receiving account is not part of the program: until one is
// set the button is disabled and says why.
#include <QDialog>
#include <QUrl>

namespace Ui {
class AboutDialog;
}

class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);
    ~AboutDialog() override;

    // The account that receives donations, for dialogs made from now on.
    static void setDonationAccount(const QString &account);
    // The donation page for an account.
    static QUrl donationUrl(const QString &account);

private slots:
    void on_pushButton_clicked();

private:
    Ui::AboutDialog *ui = nullptr;
    QString account;
};
