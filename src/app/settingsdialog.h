#pragma once
// Picks a serial port and its line parameters and hands them back as a
// SerialPortSettings record: the owner sets a record, the dialog preselects
// its values, and Apply fills the record from the choices, announces it
// with settingsApplied() and hides the dialog. It stores nothing itself.
//
// "Custom" in the baud-rate box lets the user type a rate from 1 to
// 4000000; Apply without such a rate keeps the dialog open and applies
// nothing (a rate of 0 would hang up the line).
//
// The port box lists the ports the system reports and also takes a typed
// path: a "/dev/serial/by-id/..." link or a pseudo-terminal is not listed.
// A record whose port is not listed keeps it, shown as typed; the port
// information then stays empty.
#include "serialportlist.h"
#include "serialportsettings.h"

#include <QDialog>

class QIntValidator;

namespace Ui {
class SettingsDialog;
}

class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    // Position of "Custom" in the baud-rate box.
    enum { CustomBaudIndex = 4 };
    enum { MaxBaudRate = 4000000 };

    explicit SettingsDialog(QWidget *parent = nullptr, const SerialPortList &ports = SerialPortList());
    ~SettingsDialog() override;

    void setPortSettings(const SerialPortSettings &settings);
    // Lists the ports present now; the port shown (chosen or typed) stays.
    void refreshPorts();
    SerialPortSettings portSettings() const;

signals:
    void settingsApplied();

public slots:
    void apply();
    void showPortInfo(int idx);
    // The information of the port typed or chosen in the port box.
    void showTypedPortInfo(const QString &text);
    void checkCustomBaudRatePolicy(int idx);

private:
    void fillParameterBoxes();
    // Fills the port box and shows name: its entry, or the name as typed.
    void fillPortBox(const QString &name);
    // Fills the record from the boxes and announces it; false (and nothing
    // changed) when "Custom" is chosen without a usable rate.
    bool takeChoices();

    Ui::SettingsDialog *ui = nullptr;
    SerialPortSettings currentSettings;
    QIntValidator *intValidator = nullptr;
    SerialPortList portList;
};
