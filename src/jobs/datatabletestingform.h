#pragma once
// Tool window for checking the built-in ECU data tables against real
// replies without an ECU: pick a table and a telegram, paste or feed reply
// bytes as hexadecimal text, read the decoded values as text lines. Replies
// can also come line by line from "data.txt" or from a trace file that
// another program keeps appending to. Uses a solver of its own; never
// touches the runner.
#include "ecudatasolver.h"

#include <QFileSystemWatcher>
#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class DatatableTestingForm;
}

class DatatableTestingForm : public QWidget
{
    Q_OBJECT
public:
    explicit DatatableTestingForm(QWidget *parent = nullptr);
    ~DatatableTestingForm() override;

    bool isWatching() const { return watching; }
    qint64 watchedPosition() const { return watchPosition; }

public slots:
    void on_cmbTables_currentIndexChanged(const QString &key);
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_btnWatch_clicked();
    void fileChanged(const QString &path);
    void processLine(QString &text);

private:
    // Disables the controls while a loop lets events run, so that no click
    // starts a second loop or reload inside the first.
    void setBusy(bool busy);
    void readWatchedFile(const QString &path);

    std::unique_ptr<Ui::DatatableTestingForm> ui;
    EcuDataSolver solver;
    QFileSystemWatcher watcher;
    bool watching = false;
    qint64 watchPosition = 0;
    int busyDepth = 0;
    bool readingWatchedFile = false;
    bool watchedFileChangedAgain = false;
};
