#pragma once
// One text line of a gauge screen: title, value and unit side by side,
// bound to one job result.
#include "cjobresultpair.h"
#include "gaugedef.h"

#include <QWidget>

class MyLabel;

class TextValueWidget : public QWidget
{
    Q_OBJECT
public:
    explicit TextValueWidget(QWidget *parent = nullptr);

    void setResultPair(const CJobResultPair &pair) { m_pair = pair; }
    CJobResultPair resultPair() const { return m_pair; }
    void setGaugeDef(const GaugeDef &def);
    GaugeDef gaugeDef() const { return m_def; }

    // Converts and formats as the dial does; refresh() shows it.
    void setValue(double value);
    void refresh();

    double value() const { return m_value; }
    QString valueText() const { return m_valueText; }
    MyLabel *titleLabel() const { return m_title; }
    MyLabel *valueLabel() const { return m_valueLabel; }
    MyLabel *unitLabel() const { return m_unit; }

private:
    MyLabel *m_title = nullptr;
    MyLabel *m_valueLabel = nullptr;
    MyLabel *m_unit = nullptr;
    CJobResultPair m_pair;
    QString m_valueText;
    double m_value = 0;
    bool m_useDecimals = false;
    GaugeDef m_def;
};
