#include "resultlist.h"

void ResultList::registerMetaType()
{
    qRegisterMetaType<ResultList>("ResultList");
}
