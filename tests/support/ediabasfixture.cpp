#include "ediabasfixture.h"

EdiabasFixture::EdiabasFixture()
{
    EdiabasStandIn::reset();
}

EdiabasFixture::~EdiabasFixture()
{
    EdiabasStandIn::reset();
}

bool EdiabasFixture::load(const QByteArray &json)
{
    return EdiabasStandIn::loadScript(json, &lastError);
}

QStringList EdiabasFixture::calls()
{
    QStringList out;
    for (const EdiabasStandIn::CallRecord &c : EdiabasStandIn::callLog())
        out << c.call;
    return out;
}

int EdiabasFixture::count(const QString &call)
{
    return calls().count(call);
}
