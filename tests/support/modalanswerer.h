#pragma once
// Answers the modal dialogs a window opens while a test drives it: every
// message box is recorded (its text) and closed with its default or first
// button; any other modal dialog is handed to the test's function, which
// fills and closes it. Polls while the dialog's own event loop runs.
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

class QWidget;

class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    explicit ModalAnswerer(std::function<void(QWidget *)> dialogAnswer = nullptr);

    // The texts of the message boxes answered so far.
    QStringList messages() const { return texts; }
    void clear() { texts.clear(); }
    int dialogsAnswered() const { return dialogs; }

private:
    void poll();

    std::function<void(QWidget *)> answer;
    QStringList texts;
    int dialogs = 0;
    QTimer timer;
};
