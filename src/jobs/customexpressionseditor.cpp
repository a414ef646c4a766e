#include "customexpressionseditor.h"

#include "cjob.h"
#include "customexpression.h"
#include "exponenttext.h"
#include "kelvolog.h"
#include "latin1.h"

#include <QDomDocument>
#include <QDomElement>
#include <QDomNodeList>
#include <QFile>
#include <cmath>

CustomExpressionsEditor::CustomExpressionsEditor()
    : configFile(QStringLiteral("config/customexpressions.xml")), logger(KelvoLog::get("customexpressions"))
{
}

CustomExpressionsEditor::~CustomExpressionsEditor() = default;

void CustomExpressionsEditor::loadConfig()
{
    QFile file(configFile);
    // Raw bytes: the XML parser finds the encoding from the declaration.
    if (!file.open(QIODevice::ReadOnly)) {
        LOG4CPLUS_ERROR_FMT(logger, "expressions config:%s not found!", KELVO_QS(configFile));
        return;
    }
    loadConfig(file.readAll());
}

namespace {
// The text of the n-th child node, taken by position whatever its tag; a
// missing child reads as empty text. Comments do not count as children: a
// note in the file must not become an ECU name or a formula.
QString childText(const QDomNode &parent, int n)
{
    const QDomNodeList children = parent.childNodes();
    int position = 0;
    for (int i = 0; i < children.count(); ++i) {
        const QDomNode child = children.at(i);
        if (child.isComment() || child.isProcessingInstruction())
            continue;
        if (position++ != n)
            continue;
        if (child.isElement())
            return child.toElement().text();
        return child.nodeValue();
    }
    return QString();
}
}

void CustomExpressionsEditor::loadConfig(const QByteArray &xml)
{
    // Whatever the DOM keeps is used; a broken file is said in the log, so
    // that formulas missing from the results have a visible cause.
    QDomDocument doc;
    QString parseError;
    int line = 0;
    int column = 0;
    if (!doc.setContent(xml, &parseError, &line, &column))
        LOG4CPLUS_ERROR_FMT(logger, "expressions config:%s is not valid XML (line %d, column %d): %s",
                            KELVO_QS(configFile), line, column, KELVO_QS(parseError));
    const QDomElement root = doc.documentElement();
    LOG4CPLUS_DEBUG_FMT(logger, "root: %s", KELVO_QS(root.tagName()));
    if (root.isNull())
        return;

    const QDomNodeList jobs = root.elementsByTagName(QStringLiteral("customexpression"));
    LOG4CPLUS_DEBUG_FMT(logger, "customexpression elements found: %d", jobs.count());
    for (int i = 0; i < jobs.count(); ++i) {
        const QDomElement jobElement = jobs.at(i).toElement();
        const QDomNodeList results = jobElement.elementsByTagName(QStringLiteral("result"));
        LOG4CPLUS_DEBUG_FMT(logger, "result expr count: %d", results.count());
        const QString ecu = childText(jobElement, 0);
        const QString jobName = childText(jobElement, 1);
        LOG4CPLUS_DEBUG_FMT(logger, "ecu: %s, job: %s", KELVO_QS(ecu), KELVO_QS(jobName));
        for (int r = 0; r < results.count(); ++r) {
            const QDomNode result = results.at(r);
            const QString name = childText(result, 0);
            const QString formula = childText(result, 1);
            LOG4CPLUS_DEBUG_FMT(logger, "result: %s, expression: %s", KELVO_QS(name), KELVO_QS(formula));
            CJob job(Latin1::toStd(ecu), Latin1::toStd(jobName));
            eval.addExpression(job, name, formula);
            filed.append(Filing{ecu, jobName, name});
        }
    }
}

void CustomExpressionsEditor::applyExpressions(CJob &job)
{
    const QList<CustomExpression *> &records = eval.evaluate(job);
    for (const CustomExpression *record : records) {
        CJobResult r;
        r.name = Latin1::toStd(record->resultName);
        r.format = 8;
        r.typeName = "real";
        r.realValue = record->value;
        // A formula without a value (none yet, or NaN) gives its result
        // without a number: an empty text, which plots, gauges and logs
        // leave out rather than show a 0.
        if (!std::isnan(record->value))
            r.setTextValue(ExponentText::of(record->value).constData());
        job.addResult(r);
    }
}
