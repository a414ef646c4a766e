#pragma once
// A minimal HTTP/1.1 server on 127.0.0.1 (a free port) for upload tests.
// It reads whole requests (headers and a Content-Length body) and answers
// each with the next scripted reply (the last one repeats): a status, a
// body, an optional delay, or silence (the connection stays open, nothing
// is sent). It records every request and how many were waiting for their
// answer at once. Every reply closes its connection.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>

class QTcpSocket;

class HttpTestServer : public QObject
{
    Q_OBJECT
public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        int delayMs = 0;
        bool silent = false;
    };

    struct Request
    {
        QByteArray requestLine; // "POST /path HTTP/1.1"
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QByteArray header(const QByteArray &name) const; // case-insensitive; empty when missing
    };

    explicit HttpTestServer(QObject *parent = nullptr);
    ~HttpTestServer() override;

    bool listen();
    quint16 port() const { return server.serverPort(); }
    // "http://127.0.0.1:<port>"
    QString url() const;
    void setReplies(const QList<Reply> &replies) { script = replies; }

    QList<Request> requests() const { return received; }
    // The most requests that were waiting for their answer at one time.
    int maxOpen() const { return mostOpen; }

    // Splits a multipart/form-data body by the boundary of its Content-Type;
    // each part as its raw bytes between the delimiter lines.
    static QList<QByteArray> multipartParts(const Request &request);

private:
    void onConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Reply &reply);

    QTcpServer server;
    QList<Reply> script;
    QList<Request> received;
    int open = 0;
    int mostOpen = 0;
};
