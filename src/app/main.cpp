// The program's entry point. It grows with the main window; for now it sets
// the records up and reports what it is.
#include "jobmetatypes.h"

#include <QApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    JobMetaTypes::registerAll();
    std::printf("KelvO: the main window is not built yet\n");
    return 0;
}
