#include "resulttableview.h"

#include <QHeaderView>

ResultTableView::ResultTableView(QWidget *parent)
    : QTableView(parent)
{
    setModel(&m_model);
    horizontalHeader()->setCascadingSectionResizes(true);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
}

ResultTableView::~ResultTableView()
{
    // The model is a member and dies before the base class: let go of it
    // (and of any proxy over it) first.
    setModel(nullptr);
}
