#pragma once
// A dial with its title above it, bound to one job result. With auto-scale
// on, a value beyond the scale moves that end of the scale out to it.
#include "cjobresultpair.h"
#include "gaugedef.h"

#include <QWidget>

class BasicGauge;
class MyLabel;

class GaugeWidget : public QWidget
{
    Q_OBJECT
public:
    explicit GaugeWidget(QWidget *parent = nullptr);

    void setResultPair(const CJobResultPair &pair) { m_pair = pair; }
    CJobResultPair resultPair() const { return m_pair; }
    // Hands the definition to the dial; the title shows its title.
    void setGaugeDef(const GaugeDef &def);
    GaugeDef gaugeDef() const { return m_def; }
    void setAutoScale(bool autoScale) { m_autoScale = autoScale; }
    bool autoScale() const { return m_autoScale; }

    void setValue(double value);
    // Schedules a repaint of the dial.
    void refresh();

    BasicGauge *gauge() const { return m_gauge; }
    MyLabel *titleLabel() const { return m_title; }

signals:
    void clicked(GaugeWidget *widget);

protected:
    // Announces the press, then leaves it to the parent (the screen
    // switches views on it).
    void mousePressEvent(QMouseEvent *event) override;

private:
    CJobResultPair m_pair;
    BasicGauge *m_gauge = nullptr;
    MyLabel *m_title = nullptr;
    GaugeDef m_def;
    bool m_autoScale = false;
};
