#pragma once
// The process-wide owner of the job catalogue: readable texts for the
// technical job and result names, looked up by context and upper-cased name.
#include <QObject>
#include <QString>
#include <QTranslator>

class CJob;
class CJobResultPair;

// Translation contexts; the source text is always the upper-cased name.
extern const char RES_L[]; // long text of a result
extern const char RES_S[]; // short text of a result
extern const char JOB_S[]; // short text of a job

class TranslationMgr : public QObject
{
    Q_OBJECT
public:
    // Created and loaded on the first call, as a child of that call's parent;
    // later calls ignore the parent.
    static TranslationMgr *instance(QObject *parent = nullptr);

    // A manager of its own for the given locale (instance() reads the locale
    // from "translation/locale"); loads "translations/jobs_all_<locale>".
    TranslationMgr(const QString &locale, QObject *parent);

    // The loaded catalogue; translate(context, upper-cased name) gives an
    // empty text when there is no entry.
    QTranslator *translator() { return &catalogue; }
    const QTranslator *translator() const { return &catalogue; }
    bool isLoaded() const { return loaded; }
    QString locale() const { return localeName; }

    // The catalogue's text for name (Latin-1, upper-cased for the look-up)
    // in the given context; empty when there is none.
    QString lookup(const char *context, const std::string &name) const;
    // lookup() in "RES_L", where an empty or blank text counts as missing and
    // gives the name itself, unchanged.
    std::string resultText(const std::string &name) const;

    // The pair's resultDisplayName from its resultName.
    void translate(CJobResultPair &pair) const;
    // Every result's displayName from its name, results kept in order.
    void translate(CJob &job) const;

    // The locale from "kelvo.ini" ("translation/locale", default "en_EN").
    static QString configuredLocale();

private:
    bool loadCatalogue(const QString &locale);

    QTranslator catalogue;
    QString localeName;
    bool loaded = false;
};
