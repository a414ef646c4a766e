#include "ecudatatableregistry.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <algorithm>

namespace {
QMutex registryMutex;
EcuDataTableRegistry *registryInstance = nullptr;
const char *const resourceDir = ":/ecudatatables";
}

EcuDataTableRegistry *EcuDataTableRegistry::instance()
{
    QMutexLocker lock(&registryMutex);
    if (!registryInstance)
        registryInstance = new EcuDataTableRegistry;
    return registryInstance;
}

void EcuDataTableRegistry::destroy()
{
    qDebug() << ">destroy()";
    QMutexLocker lock(&registryMutex);
    delete registryInstance;
    registryInstance = nullptr;
}

EcuDataTableRegistry::EcuDataTableRegistry()
{
    const QFileInfoList files = QDir(QString::fromLatin1(resourceDir))
                                    .entryInfoList({QStringLiteral("*_DATATABLE.tsv")}, QDir::Files);
    for (const QFileInfo &info : files) {
        QFile f(info.filePath());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        texts.insert(info.completeBaseName(), QString::fromLatin1(f.readAll()));
    }
}

QStringList EcuDataTableRegistry::keys() const
{
    QStringList k = texts.keys();
    std::sort(k.begin(), k.end());
    return k;
}
