#include "translationmgr.h"

#include "cjob.h"
#include "cjobresultpair.h"
#include "kelvosettings.h"
#include "latin1.h"

#include <QDebug>
#include <memory>
#include <mutex>

const char RES_L[] = "RES_L";
const char RES_S[] = "RES_S";
const char JOB_S[] = "JOB_S";

namespace {
const char CatalogueDir[] = "translations";
const char CataloguePrefix[] = "jobs_all_";
const char FallbackLocale[] = "en_EN";

std::mutex instanceMutex;
TranslationMgr *theInstance = nullptr;
}

TranslationMgr *TranslationMgr::instance(QObject *parent)
{
    // Start-up asks first, before any worker thread exists; the lock only
    // keeps a late first call from another thread harmless.
    std::lock_guard<std::mutex> lock(instanceMutex);
    if (!theInstance) {
        const QString locale = configuredLocale();
        qDebug() << "locale:" << locale;
        theInstance = new TranslationMgr(locale, parent);
        qDebug() << "translations: jobs:" << theInstance->isLoaded();
    }
    return theInstance;
}

QString TranslationMgr::configuredLocale()
{
    std::unique_ptr<QSettings> ini = KelvoSettings::open();
    return ini->value(QStringLiteral("translation/locale"), QString::fromLatin1(FallbackLocale)).toString();
}

TranslationMgr::TranslationMgr(const QString &locale, QObject *parent)
    : QObject(parent), localeName(locale)
{
    loaded = loadCatalogue(locale);
}

bool TranslationMgr::loadCatalogue(const QString &locale)
{
    // QTranslator retries a miss with the name cut at its last '_' or '.',
    // so "de_DE" falls back to the catalogue of the language alone.
    const QString dir = QString::fromLatin1(CatalogueDir);
    const QString delimiters = QStringLiteral("_.");
    if (catalogue.load(QString::fromLatin1(CataloguePrefix) + locale, dir, delimiters))
        return true;
    return catalogue.load(QString::fromLatin1(CataloguePrefix) + QString::fromLatin1(FallbackLocale), dir,
                          delimiters);
}

QString TranslationMgr::lookup(const char *context, const std::string &name) const
{
    if (catalogue.isEmpty())
        return QString();
    const QByteArray key = Latin1::toQString(name).toUpper().toUtf8();
    return catalogue.translate(context, key.constData(), nullptr);
}

std::string TranslationMgr::resultText(const std::string &name) const
{
    const QString text = lookup(RES_L, name);
    if (text.trimmed().isEmpty())
        return name;
    return Latin1::toStd(text);
}

void TranslationMgr::translate(CJobResultPair &pair) const
{
    pair.resultDisplayName = resultText(pair.resultName);
}

void TranslationMgr::translate(CJob &job) const
{
    // In place, in the same order: rebuilding the list would copy every
    // result twice for each simulated job.
    for (CJobResult &r : job.results)
        r.displayName = resultText(r.name);
}
