#pragma once
// The process-wide registry and factory of running external sources. The
// serial readers of PLX and AEM are filed by their job name and stopped
// when their plot window closes; every source's data handler is a child of
// the manager and lives until the manager is destroyed (the main window's
// destructor does that). Used from the GUI thread only.
//
// A device that needs more than the generic reader gets a factory of its
// own here, named create<Device>(name, listener, window): it creates the
// source as a child of the manager, connects its jobFinished(CJob,int)
// queued to the listener's onJobFinished(CJob,int) and the plot window's
// closed(QCloseEvent*) queued to the source's stop(); a source's
// notice(QString) goes to the window's status line.
//
// One source per device: the setup window files each source it starts
// under its job name with the plot window it feeds, until that window
// closes. Every source answers isRunning() (Q_INVOKABLE): true while its
// port is open or being opened, false once it did not open, was lost or
// stopped. A filed source that runs is not started twice; one that no
// longer runs is retired and a new one takes its place in the same window.
#include "cjob.h"
#include "kelvolog.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>

class CANAdapterFE;
class ExtSourceDataHandler;
class InnovateDataHandler;
class InnovateMTSSDKHandler;
class PlotWindow;
class Q14Point7Thread;
class TechEdgeWBo2DataHandler;
class QCloseEvent;
class QExtRunnerThread;

class ExtSourceManager : public QObject
{
    Q_OBJECT
public:
    static ExtSourceManager *instance();
    static void destroy();

    // A reader for the job's job name, reading for handler; its jobFinished
    // goes queued to listener's onJobFinished(CJob,int). Filed under the
    // job name, replacing (and stopping) an earlier reader of that name.
    QExtRunnerThread *createExtRunner(CJob &job, ExtSourceDataHandler *handler, QObject *listener,
                                      bool readLine = false);
    // The passive CAN listener for the plot window (its start-time receiver),
    // a child of the manager.
    CANAdapterFE *createCANAdapter(const QString &name, QObject *listener, PlotWindow &window);
    // The reader filed under the job name, or null.
    QExtRunnerThread *extRunner(const QString &jobName) const;
    // Connects source's jobFinished(CJob,int) queued to listener's
    // onJobFinished(CJob,int); false when either side lacks it.
    static bool connectToListener(QObject *source, QObject *listener);

    // An Innovate MTS chain on a serial port or the LM-2 (setUSB), and one
    // through the MTS SDK; children of the manager, stopped when window closes.
    InnovateDataHandler *createInnovate(const QString &name, QObject *listener, PlotWindow &window);
    InnovateMTSSDKHandler *createMTS(const QString &name, QObject *listener, PlotWindow &window);
    // A 14Point7 controller, remembered as the last one; and a TechEdge
    // WBo2. Children of the manager, stopped when window closes.
    Q14Point7Thread *create14Point7(const QString &name, QObject *listener, PlotWindow &window);
    TechEdgeWBo2DataHandler *createTechEdge(const QString &name, QObject *listener, PlotWindow &window);
    Q14Point7Thread *last14Point7() const;

    // Files source (a reader of createExtRunner, or a source of a
    // create<Device> factory) under the job name with the plot window it
    // feeds and the port it reads, in place of any earlier one; the entry
    // goes when that window closes.
    void fileSource(const QString &jobName, QObject *source, PlotWindow &window, const QString &port);
    // The open plot window of the source filed under the job name, or null.
    PlotWindow *sourceWindow(const QString &jobName) const;
    // The source filed under the job name runs (its isRunning()).
    bool isSourceRunning(const QString &jobName) const;
    QString sourcePort(const QString &jobName) const;
    // Stops the source filed under the job name and lets it go, with the
    // data handler of a reader; its window stays filed for the source that
    // takes its place.
    void retireSource(const QString &jobName);

public slots:
    // A plot window of a filed reader closes: the reader stops and goes.
    void onCloseEvent(QCloseEvent *e);
    void onDestroyed(QObject *o = nullptr);

private slots:
    void onSourceWindowClosed();

private:
    // The connections every source of a create<Device> factory gets.
    void connectSource(QObject *source, QObject *listener, PlotWindow &window);

    explicit ExtSourceManager(QObject *parent = nullptr);
    ~ExtSourceManager() override;

    QHash<QString, QExtRunnerThread *> runners;
    log4cplus::Logger logger;
    QMutex mutex;
    QPointer<Q14Point7Thread> fourteenPoint7;

    struct FiledSource
    {
        QPointer<QObject> source;
        QPointer<PlotWindow> window;
        QString port;
    };
    QHash<QString, FiledSource> filed;
};
