#include "textvaluewidget.h"

#include "basicgauge.h"
#include "mylabel.h"

#include <QGridLayout>
#include <QVBoxLayout>

namespace {
// Right, centred horizontally and vertically: the flags the lines always had.
const Qt::Alignment valueAlignment = Qt::Alignment(134);

MyLabel *makeLabel(QWidget *parent, const char *name, const char *text, const char *family, int maxPoints)
{
    auto *label = new MyLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setText(QLatin1String(text));
    QFont f = label->font();
    f.setFamily(QLatin1String(family));
    label->setFont(f);
    label->setMaxPointSize(maxPoints);
    label->setUnderline(true);
    return label;
}
} // namespace

TextValueWidget::TextValueWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TextValueWidget"));
    resize(400, 300);
    auto *outer = new QVBoxLayout(this);
    outer->setSpacing(0);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *grid = new QGridLayout();
    grid->setSpacing(0);
    outer->addLayout(grid);

    m_title = makeLabel(this, "title", "Text", "Courier New", 32);
    m_title->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_title->setWordWrap(true);
    m_valueLabel = makeLabel(this, "value", "", "Courier New", 32);
    // No reading yet: the line shows no figure until a value comes.
    m_valueText = BasicGauge::noValueText();
    m_valueLabel->setText(m_valueText);
    m_valueLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_valueLabel->setAlignment(valueAlignment);
    m_valueLabel->setFitWidth(true);
    m_unit = makeLabel(this, "unit", "unit", "Arial Narrow", 16);
    m_unit->setMinimumWidth(100);
    // A plain label's policy: with the label's own (width ignored) the grid
    // would leave the unit no column and push it past the right edge.
    m_unit->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_unit->setAlignment(valueAlignment);
    grid->addWidget(m_title, 0, 0);
    grid->addWidget(m_valueLabel, 0, 1);
    grid->addWidget(m_unit, 0, 2);
}

void TextValueWidget::setGaugeDef(const GaugeDef &def)
{
    m_def = def;
    m_title->setText(def.title);
    m_unit->setText(def.unit);
    const QColor colour = def.titleColor.isValid() ? def.titleColor : QColor(Qt::white);
    m_title->setColor(colour);
    m_valueLabel->setColor(colour);
    m_useDecimals = def.decimals != -1;
}

void TextValueWidget::setValue(double value)
{
    m_value = m_def.conversionFactor * value;
    m_valueText = BasicGauge::formatValue(m_value, m_useDecimals, m_def.decimals);
}

void TextValueWidget::refresh()
{
    if (m_valueLabel->text() != m_valueText)
        m_valueLabel->showText(m_valueText);
}
