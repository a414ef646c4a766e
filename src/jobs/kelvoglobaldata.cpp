#include "kelvoglobaldata.h"

KelvoGlobalData *KelvoGlobalData::instance()
{
    static KelvoGlobalData *data = new KelvoGlobalData();
    return data;
}
