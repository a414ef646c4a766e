#include "innovatescript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace InnovateStandIn {

QByteArray hexBytes(const QString &text)
{
    return QByteArray::fromHex(text.toLatin1());
}

namespace {

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

int intOf(const QJsonObject &o, const char *key, int fallback)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? v.toInt(fallback) : fallback;
}

double realOf(const QJsonObject &o, const char *key, double fallback)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? v.toDouble() : fallback;
}

bool parseMts(const QJsonObject &o, MtsScript &mts, QString *error)
{
    mts.present = true;
    for (const QJsonValue &p : o.value(QStringLiteral("ports")).toArray())
        mts.ports << p.toString();
    const QJsonValue connect = o.value(QStringLiteral("connect"));
    if (connect.isObject()) {
        const QJsonObject c = connect.toObject();
        mts.connectFails = c.value(QStringLiteral("fail")).toBool(false);
        mts.connectResult = intOf(c, "result", 0);
        mts.connectDelayMs = qBound(0, intOf(c, "delayMs", mts.connectDelayMs), 60000);
    } else if (!connect.isUndefined()) {
        return fail(error, QStringLiteral("\"mts\": \"connect\" must be an object"));
    }
    mts.intervalMs = qBound(1, intOf(o, "intervalMs", mts.intervalMs), 60000);
    mts.connectionErrorAfter = qMax(0, intOf(o, "connectionErrorAfter", 0));
    const QJsonValue inputs = o.value(QStringLiteral("inputs"));
    if (!inputs.isUndefined() && !inputs.isArray())
        return fail(error, QStringLiteral("\"mts\": \"inputs\" must be a list"));
    for (const QJsonValue &v : inputs.toArray()) {
        if (!v.isObject())
            return fail(error, QStringLiteral("\"mts\": every input must be an object"));
        const QJsonObject i = v.toObject();
        MtsInput in;
        in.name = i.value(QStringLiteral("InputName")).toString();
        in.unit = i.value(QStringLiteral("InputUnit")).toString();
        in.deviceName = i.value(QStringLiteral("InputDeviceName")).toString();
        in.type = intOf(i, "InputType", 0);
        in.function = intOf(i, "InputFunction", 0);
        in.deviceType = intOf(i, "InputDeviceType", 0);
        in.deviceChannel = intOf(i, "InputDeviceChannel", 0);
        in.afrMultiplier = realOf(i, "InputAFRMultiplier", in.afrMultiplier);
        in.minValue = realOf(i, "InputMinValue", in.minValue);
        in.maxValue = realOf(i, "InputMaxValue", in.maxValue);
        in.minVolt = realOf(i, "InputMinVolt", in.minVolt);
        in.maxVolt = realOf(i, "InputMaxVolt", in.maxVolt);
        for (const QJsonValue &s : i.value(QStringLiteral("samples")).toArray())
            in.samples << s.toInt();
        mts.inputs << in;
    }
    return true;
}

bool parseLm2(const QJsonObject &o, Lm2Script &lm2, QString *error)
{
    lm2.present = true;
    lm2.device = o.value(QStringLiteral("device")).toString();
    lm2.ceReply = hexBytes(o.value(QStringLiteral("ce")).toString());
    lm2.f3Reply = hexBytes(o.value(QStringLiteral("f3")).toString());
    const QJsonValue data = o.value(QStringLiteral("data"));
    if (data.isString()) {
        lm2.data << hexBytes(data.toString());
    } else if (data.isArray()) {
        for (const QJsonValue &d : data.toArray())
            lm2.data << hexBytes(d.toString());
    } else if (!data.isUndefined()) {
        return fail(error, QStringLiteral("\"lm2\": \"data\" must be hex text or a list of them"));
    }
    lm2.intervalMs = qBound(1, intOf(o, "intervalMs", lm2.intervalMs), 60000);
    lm2.handles = qMax(0, intOf(o, "handles", 0));
    return true;
}

} // namespace

bool parseScript(const QByteArray &json, Script &script, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(error, QStringLiteral("%1 at offset %2").arg(parseError.errorString()).arg(parseError.offset));
    if (!doc.isObject())
        return fail(error, QStringLiteral("the script is not a JSON object"));
    Script parsed;
    const QJsonObject root = doc.object();
    const QJsonValue mts = root.value(QStringLiteral("mts"));
    if (mts.isObject()) {
        if (!parseMts(mts.toObject(), parsed.mts, error))
            return false;
    } else if (!mts.isUndefined()) {
        return fail(error, QStringLiteral("\"mts\" must be an object"));
    }
    const QJsonValue lm2 = root.value(QStringLiteral("lm2"));
    if (lm2.isObject()) {
        if (!parseLm2(lm2.toObject(), parsed.lm2, error))
            return false;
    } else if (!lm2.isUndefined()) {
        return fail(error, QStringLiteral("\"lm2\" must be an object"));
    }
    script = parsed;
    return true;
}

} // namespace InnovateStandIn
