#pragma once
// The template tool: a typed name becomes the text of a gauge definition,
// ready to paste into a "definitions.txt". Nothing is written to disk.
#include <QWidget>

namespace Ui {
class MiscUtilsWindow;
}

class MiscUtilsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MiscUtilsWindow(QWidget *parent = nullptr);
    ~MiscUtilsWindow() override;

    // The definition text for a name (upper-cased by the caller).
    static QString definitionTemplate(const QString &name);

private slots:
    void on_lineEdit_returnPressed();
    void on_lineEdit_textChanged(const QString &text);
    void on_horizontalScrollBar_valueChanged(int value);

private:
    Ui::MiscUtilsWindow *ui = nullptr;
};
