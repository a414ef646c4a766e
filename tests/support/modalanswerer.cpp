#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

ModalAnswerer::ModalAnswerer(std::function<void(QWidget *)> dialogAnswer)
    : answer(std::move(dialogAnswer))
{
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer.start(10);
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        texts << box->text();
        QAbstractButton *button = box->defaultButton();
        if (!button && !box->buttons().isEmpty())
            button = box->buttons().first();
        if (button)
            button->click();
        else
            box->done(0);
        return;
    }
    ++dialogs;
    if (answer)
        answer(modal);
    else if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
}
