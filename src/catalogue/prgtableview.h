#pragma once
// The grid of the PRG table browser: read-only, whole rows selected, and
// the Copy key puts the selected cells on the clipboard.
#include <QTableView>

class PRGTableView : public QTableView
{
    Q_OBJECT
public:
    explicit PRGTableView(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
