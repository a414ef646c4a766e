#pragma once
// The selector table of the custom-job window. The Copy key puts the
// selected cells on the clipboard; every other key is announced with the
// current index (the window removes a selector on Delete and Backspace)
// before the table handles it.
#include <QModelIndex>
#include <QTableView>

class QKeyEvent;

class CustomJobTableVIew : public QTableView
{
    Q_OBJECT
public:
    explicit CustomJobTableVIew(QWidget *parent = nullptr);

signals:
    void onKeyPressed(QKeyEvent *event, QModelIndex index);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
