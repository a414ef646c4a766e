#include "ediabasscript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace EdiabasStandIn {

Response ResponseList::take()
{
    if (responses.isEmpty())
        return Response();
    const int i = qMin(next, responses.size() - 1);
    if (next < responses.size())
        ++next;
    return responses.at(i);
}

namespace {

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// Optional fields: each is true when the key is absent (leaving `out` as it
// is) or holds a value of its kind (then in `out`), false otherwise.

bool optionalString(const QJsonObject &o, const char *key, QString &out)
{
    const QString k = QString::fromLatin1(key);
    if (!o.contains(k))
        return true;
    if (!o.value(k).isString())
        return false;
    out = o.value(k).toString();
    return true;
}

bool optionalBool(const QJsonObject &o, const char *key, bool &out)
{
    const QString k = QString::fromLatin1(key);
    if (!o.contains(k))
        return true;
    if (!o.value(k).isBool())
        return false;
    out = o.value(k).toBool();
    return true;
}

// A whole number from 0 to `max`.
bool optionalWhole(const QJsonObject &o, const char *key, double max, int &out)
{
    const QString k = QString::fromLatin1(key);
    if (!o.contains(k))
        return true;
    const double d = o.value(k).toDouble(-1);
    if (!o.value(k).isDouble() || d != std::floor(d) || d < 0 || d > max)
        return false;
    out = int(d);
    return true;
}

bool parseHex(const QString &text, QByteArray &out)
{
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    if (digits.size() % 2 != 0)
        return false;
    for (const QChar c : digits) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
              || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    }
    out = QByteArray::fromHex(digits.toLatin1());
    return true;
}

bool parseResult(const QJsonValue &value, Result &out, QString *error, const QString &where)
{
    if (!value.isObject())
        return fail(error, where + QStringLiteral(": a result must be an object"));
    const QJsonObject o = value.toObject();
    if (!o.value(QStringLiteral("name")).isString() || o.value(QStringLiteral("name")).toString().isEmpty())
        return fail(error, where + QStringLiteral(": a result needs a \"name\""));
    out.name = o.value(QStringLiteral("name")).toString();
    const QString at = where + QStringLiteral(" \"") + out.name + QLatin1Char('"');

    int kinds = 0;
    int defaultFormat = 6;
    if (o.contains(QStringLiteral("text"))) {
        if (!optionalString(o, "text", out.text))
            return fail(error, at + QStringLiteral(": \"text\" must be a string"));
        out.kind = Result::Text;
        defaultFormat = 6;
        ++kinds;
    }
    if (o.contains(QStringLiteral("int"))) {
        const QJsonValue v = o.value(QStringLiteral("int"));
        const double d = v.toDouble();
        if (!v.isDouble() || d != std::floor(d) || std::fabs(d) > 9007199254740992.0)
            return fail(error, at + QStringLiteral(": \"int\" must be a whole number"));
        out.kind = Result::Integer;
        out.integer = qint64(d);
        out.real = d;
        defaultFormat = 2;
        ++kinds;
    }
    if (o.contains(QStringLiteral("real"))) {
        const QJsonValue v = o.value(QStringLiteral("real"));
        if (!v.isDouble())
            return fail(error, at + QStringLiteral(": \"real\" must be a number"));
        out.kind = Result::Real;
        out.real = v.toDouble();
        defaultFormat = 8;
        ++kinds;
    }
    if (o.contains(QStringLiteral("hex"))) {
        const QJsonValue v = o.value(QStringLiteral("hex"));
        if (!v.isString() || !parseHex(v.toString(), out.bytes))
            return fail(error, at + QStringLiteral(": \"hex\" must be pairs of hex digits"));
        out.kind = Result::Bytes;
        defaultFormat = 7;
        ++kinds;
    }
    if (kinds != 1)
        return fail(error, at + QStringLiteral(": give exactly one of \"text\", \"int\", \"real\", \"hex\""));

    out.format = defaultFormat;
    if (!optionalWhole(o, "format", 8, out.format))
        return fail(error, at + QStringLiteral(": \"format\" must be 0 to 8"));
    if (o.contains(QStringLiteral("rendering"))) {
        if (!optionalString(o, "rendering", out.rendering))
            return fail(error, at + QStringLiteral(": \"rendering\" must be a string"));
        if (out.rendering.isNull())
            out.rendering = QLatin1String("");
    }
    return true;
}

bool parseSet(const QJsonValue &value, ResultSet &out, QString *error, const QString &where)
{
    if (!value.isArray())
        return fail(error, where + QStringLiteral(": a result set must be an array of results"));
    const QJsonArray a = value.toArray();
    for (int i = 0; i < a.size(); ++i) {
        Result r;
        if (!parseResult(a.at(i), r, error, where + QStringLiteral(" result %1").arg(i + 1)))
            return false;
        out.append(r);
    }
    return true;
}

bool parseErrorDef(const QJsonValue &value, ErrorDef &out, QString *error, const QString &where)
{
    if (!value.isObject())
        return fail(error, where + QStringLiteral(": must be an object with \"code\" and \"text\""));
    const QJsonObject o = value.toObject();
    if (!optionalWhole(o, "code", 1e9, out.code))
        return fail(error, where + QStringLiteral(": \"code\" must be a whole number of 0 or more"));
    if (!optionalString(o, "text", out.text))
        return fail(error, where + QStringLiteral(": \"text\" must be a string"));
    return true;
}

bool parseResponses(const QJsonValue &value, ResponseList &out, QString *error, const QString &where)
{
    if (value.isArray()) {
        const QJsonArray a = value.toArray();
        if (a.isEmpty())
            return fail(error, where + QStringLiteral(": the list of responses is empty"));
        for (int i = 0; i < a.size(); ++i) {
            Response r;
            if (!parseResponse(a.at(i), r, error, where + QStringLiteral(" response %1").arg(i + 1)))
                return false;
            out.responses.append(r);
        }
        return true;
    }
    Response r;
    if (!parseResponse(value, r, error, where))
        return false;
    out.responses.append(r);
    return true;
}

bool parseWholeMs(const QJsonObject &o, const char *key, int &out, QString *error, const QString &where)
{
    if (!optionalWhole(o, key, 3600000, out))
        return fail(error, where + QStringLiteral(": \"%1\" must be 0 to 3600000 ms").arg(QLatin1String(key)));
    return true;
}

} // namespace

bool parseResponse(const QJsonValue &value, Response &out, QString *error, const QString &where)
{
    if (!value.isObject())
        return fail(error, where + QStringLiteral(": a response must be an object"));
    const QJsonObject o = value.toObject();
    if (!parseWholeMs(o, "busyMs", out.busyMs, error, where)
        || !parseWholeMs(o, "traceDelayMs", out.traceDelayMs, error, where))
        return false;
    if (!optionalBool(o, "busyUntilBroken", out.busyUntilBroken))
        return fail(error, where + QStringLiteral(": \"busyUntilBroken\" must be true or false"));
    if (o.contains(QStringLiteral("error"))) {
        ErrorDef e{0, QString()};
        if (!parseErrorDef(o.value(QStringLiteral("error")), e, error, where + QStringLiteral(" \"error\"")))
            return false;
        if (e.code == 0)
            return fail(error, where + QStringLiteral(": \"error\" needs a nonzero \"code\""));
        out.errorCode = e.code;
        out.errorText = e.text;
    }
    if (o.contains(QStringLiteral("systemSet"))) {
        if (!parseSet(o.value(QStringLiteral("systemSet")), out.systemSet, error,
                      where + QStringLiteral(" set 0")))
            return false;
        out.systemSetScripted = true;
    }
    if (o.contains(QStringLiteral("sets"))) {
        const QJsonValue sv = o.value(QStringLiteral("sets"));
        if (!sv.isArray())
            return fail(error, where + QStringLiteral(": \"sets\" must be an array of result sets"));
        const QJsonArray sets = sv.toArray();
        if (sets.size() > 65534)
            return fail(error, where + QStringLiteral(": too many result sets"));
        for (int i = 0; i < sets.size(); ++i) {
            ResultSet set;
            if (!parseSet(sets.at(i), set, error, where + QStringLiteral(" set %1").arg(i + 1)))
                return false;
            out.sets.append(set);
        }
    }
    if (o.contains(QStringLiteral("trace"))) {
        const QJsonValue tv = o.value(QStringLiteral("trace"));
        if (!tv.isArray())
            return fail(error, where + QStringLiteral(": \"trace\" must be an array of lines"));
        for (const QJsonValue &line : tv.toArray()) {
            if (!line.isString())
                return fail(error, where + QStringLiteral(": \"trace\" lines must be strings"));
            out.trace.append(line.toString());
        }
    }
    if (o.contains(QStringLiteral("telegram"))) {
        const QJsonValue v = o.value(QStringLiteral("telegram"));
        if (!v.isString() || !parseHex(v.toString(), out.telegram) || out.telegram.isEmpty())
            return fail(error, where + QStringLiteral(": \"telegram\" must be pairs of hex digits"));
    }
    if (!parseWholeMs(o, "answerTimeoutMs", out.answerTimeoutMs, error, where))
        return false;
    if (o.contains(QStringLiteral("answerResult"))) {
        const QJsonValue v = o.value(QStringLiteral("answerResult"));
        if (!v.isString() || v.toString().isEmpty())
            return fail(error, where + QStringLiteral(": \"answerResult\" must be a result name"));
        out.answerResult = v.toString();
    }
    if (o.contains(QStringLiteral("generator"))) {
        const QString g = o.value(QStringLiteral("generator")).toString();
        if (g != QLatin1String("memory"))
            return fail(error, where + QStringLiteral(": unknown \"generator\" (known: \"memory\")"));
        out.generator = g;
    }
    return true;
}

bool EdiabasScript::parse(const QByteArray &json, QString *error)
{
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
    if (pe.error != QJsonParseError::NoError)
        return fail(error, QStringLiteral("not valid JSON at offset %1: %2").arg(pe.offset).arg(pe.errorString()));
    if (!doc.isObject())
        return fail(error, QStringLiteral("the script must be a JSON object"));
    const QJsonObject root = doc.object();

    EdiabasScript s;
    if (root.contains(QStringLiteral("init"))) {
        const QJsonValue iv = root.value(QStringLiteral("init"));
        if (!iv.isObject())
            return fail(error, QStringLiteral("\"init\" must be an object"));
        const QJsonObject io = iv.toObject();
        if (!optionalBool(io, "fail", s.initFails))
            return fail(error, QStringLiteral("\"init\": \"fail\" must be true or false"));
        s.initError = s.errors.initFailed;
        if (!parseErrorDef(iv, s.initError, error, QStringLiteral("\"init\"")))
            return false;
    }
    if (root.contains(QStringLiteral("errors"))) {
        const QJsonValue ev = root.value(QStringLiteral("errors"));
        if (!ev.isObject())
            return fail(error, QStringLiteral("\"errors\" must be an object"));
        const QJsonObject eo = ev.toObject();
        struct Named { const char *key; ErrorDef *def; };
        const Named named[] = {{"invalidHandle", &s.errors.invalidHandle}, {"unknownEcu", &s.errors.unknownEcu},
                               {"unknownJob", &s.errors.unknownJob}, {"resultNotFound", &s.errors.resultNotFound},
                               {"jobBusy", &s.errors.jobBusy}, {"jobBroken", &s.errors.jobBroken}};
        for (auto it = eo.begin(); it != eo.end(); ++it) {
            ErrorDef *def = nullptr;
            for (const Named &n : named)
                if (it.key() == QLatin1String(n.key))
                    def = n.def;
            if (!def)
                return fail(error, QStringLiteral("\"errors\": unknown entry \"%1\"").arg(it.key()));
            if (!parseErrorDef(it.value(), *def, error, QStringLiteral("\"errors\" \"%1\"").arg(it.key())))
                return false;
        }
    }
    if (!root.contains(QStringLiteral("init")))
        s.initError = s.errors.initFailed;
    if (root.contains(QStringLiteral("ecus"))) {
        const QJsonValue ev = root.value(QStringLiteral("ecus"));
        if (!ev.isObject())
            return fail(error, QStringLiteral("\"ecus\" must be an object keyed by ECU name"));
        const QJsonObject eo = ev.toObject();
        for (auto it = eo.begin(); it != eo.end(); ++it) {
            const QString where = QStringLiteral("ECU \"%1\"").arg(it.key());
            if (!it.value().isObject())
                return fail(error, where + QStringLiteral(": must be an object"));
            const QJsonObject o = it.value().toObject();
            EcuEntry ecu;
            ecu.name = it.key();
            if (!optionalString(o, "variant", ecu.variant))
                return fail(error, where + QStringLiteral(": \"variant\" must be a string"));
            if (o.contains(QStringLiteral("default"))
                && !parseResponses(o.value(QStringLiteral("default")), ecu.defaults, error,
                                   where + QStringLiteral(" default")))
                return false;
            if (o.contains(QStringLiteral("jobs"))) {
                const QJsonValue jv = o.value(QStringLiteral("jobs"));
                if (!jv.isObject())
                    return fail(error, where + QStringLiteral(": \"jobs\" must be an object keyed by job name"));
                const QJsonObject jo = jv.toObject();
                for (auto jt = jo.begin(); jt != jo.end(); ++jt) {
                    const QString jwhere = where + QStringLiteral(" job \"%1\"").arg(jt.key());
                    JobEntry job;
                    const QJsonValue v = jt.value();
                    const bool split = v.isObject()
                        && (v.toObject().contains(QStringLiteral("responses"))
                            || v.toObject().contains(QStringLiteral("arguments")));
                    if (split) {
                        const QJsonObject vo = v.toObject();
                        if (vo.contains(QStringLiteral("responses"))
                            && !parseResponses(vo.value(QStringLiteral("responses")), job.responses, error, jwhere))
                            return false;
                        if (vo.contains(QStringLiteral("arguments"))) {
                            const QJsonValue av = vo.value(QStringLiteral("arguments"));
                            if (!av.isObject())
                                return fail(error, jwhere + QStringLiteral(": \"arguments\" must be an object keyed by argument text"));
                            const QJsonObject ao = av.toObject();
                            for (auto at = ao.begin(); at != ao.end(); ++at) {
                                ResponseList list;
                                if (!parseResponses(at.value(), list, error,
                                                    jwhere + QStringLiteral(" arguments \"%1\"").arg(at.key())))
                                    return false;
                                job.byArguments.insert(at.key(), list);
                            }
                        }
                    } else if (!parseResponses(v, job.responses, error, jwhere)) {
                        return false;
                    }
                    ecu.jobs.insert(jt.key().toUpper(), job);
                }
            }
            s.ecus.insert(it.key().toUpper(), ecu);
        }
    }
    *this = s;
    return true;
}

EdiabasScript::Lookup EdiabasScript::resolve(const QString &ecu, const QString &job, const QString &arguments,
                                            Response &out, QString &variant)
{
    auto e = ecus.find(ecu.toUpper());
    if (e == ecus.end())
        return UnknownEcu;
    variant = e->variant;
    auto j = e->jobs.find(job.toUpper());
    if (j != e->jobs.end()) {
        auto a = j->byArguments.find(arguments);
        if (a != j->byArguments.end()) {
            out = a->take();
            return Found;
        }
        if (!j->responses.isEmpty()) {
            out = j->responses.take();
            return Found;
        }
    }
    if (!e->defaults.isEmpty()) {
        out = e->defaults.take();
        return Found;
    }
    return UnknownJob;
}

} // namespace EdiabasStandIn
