#include "httptestserver.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

HttpTestServer::HttpTestServer(QObject *parent)
    : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &HttpTestServer::onConnection);
}

HttpTestServer::~HttpTestServer() = default;

bool HttpTestServer::listen()
{
    return server.listen(QHostAddress::LocalHost, 0);
}

QString HttpTestServer::url() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

QByteArray HttpTestServer::Request::header(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.toLower() == name.toLower())
            return h.second;
    }
    return QByteArray();
}

void HttpTestServer::onConnection()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void HttpTestServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    if (socket->property("answered").toBool())
        return;
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    Request request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    request.requestLine = lines.value(0).trimmed();
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0)
            request.headers << qMakePair(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
    }
    const int length = request.header("Content-Length").toInt();
    if (buffer.size() - headerEnd - 4 < length)
        return;
    request.body = buffer.mid(headerEnd + 4, length);
    socket->setProperty("answered", true);
    received << request;
    const Reply reply = script.isEmpty() ? Reply() : script.value(qMin(received.size() - 1, script.size() - 1));
    ++open;
    mostOpen = qMax(mostOpen, open);
    if (reply.silent)
        return;
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(reply.delayMs, this, [this, guard, reply] {
        --open;
        if (guard)
            answer(guard, reply);
    });
}

void HttpTestServer::answer(QTcpSocket *socket, const Reply &reply)
{
    const QByteArray reason = reply.status == 200 ? "OK" : "Error";
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reason + "\r\n";
    out += "Content-Type: text/plain\r\nContent-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n" + reply.body;
    socket->write(out);
    socket->disconnectFromHost();
}

QList<QByteArray> HttpTestServer::multipartParts(const Request &request)
{
    QByteArray type = request.header("Content-Type");
    const int at = type.indexOf("boundary=");
    if (at < 0)
        return {};
    QByteArray boundary = type.mid(at + 9).trimmed();
    if (boundary.startsWith('"') && boundary.endsWith('"'))
        boundary = boundary.mid(1, boundary.size() - 2);
    const QByteArray delimiter = "--" + boundary;
    QList<QByteArray> parts;
    const QByteArray &body = request.body;
    int pos = body.indexOf(delimiter);
    while (pos >= 0) {
        pos += delimiter.size();
        if (body.mid(pos, 2) == "--")
            break;
        pos += 2; // CR LF after the delimiter
        const int next = body.indexOf("\r\n" + delimiter, pos);
        if (next < 0)
            break;
        parts << body.mid(pos, next - pos);
        pos = next + 2;
    }
    return parts;
}
