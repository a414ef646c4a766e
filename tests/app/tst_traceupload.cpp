// Uploading trace files to an HTTP server on loopback, from the trace
// window: the exact request, one file at a time, failures of every kind
// ending cleanly, and what the window shows.
#include "debugform.h"
#include "debugutils.h"
#include "httptestserver.h"
#include "workdir.h"

#include <QNetworkProxyFactory>
#include <QPushButton>
#include <QSettings>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace {

void setServer(const QString &url)
{
    QSettings ini("kelvo.ini", QSettings::IniFormat);
    ini.setValue("trace/upload_server", url);
}

QStringList protocol(DebugForm &form)
{
    return form.findChild<QTextEdit *>("textEdit")->toPlainText().split('\n');
}

// Colour and slant of a protocol line; "theme" for a line shown in the
// theme's text colour. On the default white base errors are Qt's red a
// shade darker (#e60000), replies Qt's blue.
QString lineFormat(DebugForm &form, int line)
{
    const QTextBlock block = form.findChild<QTextEdit *>("textEdit")->document()->findBlockByNumber(line);
    const QTextCharFormat f = block.begin().fragment().charFormat();
    return (f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : QString("theme"))
           + (f.fontItalic() ? " italic" : " upright");
}

QPushButton *button(DebugForm &form, const char *name)
{
    return form.findChild<QPushButton *>(name);
}

HttpTestServer::Reply reply(int status, const QByteArray &body = QByteArray(), int delayMs = 0, bool silent = false)
{
    HttpTestServer::Reply r;
    r.status = status;
    r.body = body;
    r.delayMs = delayMs;
    r.silent = silent;
    return r;
}

// A port on which nothing listens.
QString closedServer()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

} // namespace

class TestTraceUpload : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void requestIsExactAndAnswerShown();
    void filesGoStrictlyInTurn();
    void failedUploadThenSuccess();
    void failuresEndCleanly_data();
    void failuresEndCleanly();
    void noServerSet();
    void anyFileNameArrivesWhole_data();
    void anyFileNameArrivesWhole();

private:
    WorkDir *wd = nullptr;
};

void TestTraceUpload::initTestCase()
{
    qRegisterMetaType<QNetworkReply::NetworkError>();
    // The loopback server must be reached directly, whatever the machine's proxy.
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

void TestTraceUpload::init()
{
    wd = new WorkDir;
}

void TestTraceUpload::cleanup()
{
    delete wd;
}

void TestTraceUpload::requestIsExactAndAnswerShown()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReplies({reply(200, "thanks"), reply(200)});
    setServer(server.url() + "/");
    const QByteArray content("line 1\r\nNUL \0 and \xff end\r\n", 25);
    QVERIFY(wd->write("DebugLogs/a.trc", content));
    QVERIFY(wd->write("DebugLogs/b.trc", "second"));
    DebugForm form;
    QSignalSpy ready(form.utils(), &DebugUtils::upReady);
    button(form, "pushButton_2")->click();
    QCOMPARE(ready.count(), 2);

    const QList<HttpTestServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), 2);
    const HttpTestServer::Request &first = requests.first();
    QCOMPARE(first.requestLine, QByteArray("POST /kelvo/upload.php HTTP/1.1"));
    QCOMPARE(first.header("Referer"), (server.url() + "/abc").toLatin1());
    QCOMPARE(first.header("User-Agent"),
             QByteArray("Mozilla/5.0 (X11; U; Linux x86_64; en-US; rv:1.9.1.3) Gecko/20091020 Ubuntu/9.10 (karmic) "
                        "Firefox/3.5.3 GTB7.0"));
    QVERIFY(first.header("Content-Type").startsWith("multipart/form-data; boundary="));
    const QList<QByteArray> parts = HttpTestServer::multipartParts(first);
    QCOMPARE(parts.size(), 1);
    QCOMPARE(parts.first(), "Content-Disposition: form-data; name=\"file\"; filename=\"a.trc\"\r\n"
                            "Content-Type: text/plain\r\n\r\n"
                                + content);

    QCOMPARE(protocol(form), (QStringList{"File a.trc sent", "thanks", "File b.trc sent"}));
    QCOMPARE(lineFormat(form, 0), QString("theme upright"));
    QCOMPARE(lineFormat(form, 1), QString("#0000ff italic"));
    QCOMPARE(lineFormat(form, 2), QString("theme upright"));
    QCOMPARE(QDir("DebugLogs").entryList(QDir::Files), (QStringList{"a.trc", "b.trc"}));
    QVERIFY(button(form, "pushButton_2")->isEnabled());
}

void TestTraceUpload::filesGoStrictlyInTurn()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReplies({reply(200, QByteArray(), 300)});
    setServer(server.url());
    for (const char *name : {"1.trc", "2.trc", "3.trc"})
        QVERIFY(wd->write(QString("DebugLogs/") + name, name));
    DebugForm form;
    QSignalSpy ready(form.utils(), &DebugUtils::upReady);
    bool runDisabled = false, sendDisabled = false, closed = true;
    // During the last file's reply too.
    QTimer::singleShot(750, &form, [&] {
        runDisabled = !button(form, "pushButton")->isEnabled();
        sendDisabled = !button(form, "pushButton_2")->isEnabled();
        closed = form.close();
    });
    button(form, "pushButton_2")->click();
    QVERIFY(runDisabled);
    QVERIFY(sendDisabled);
    QVERIFY(!closed);
    QCOMPARE(ready.count(), 3);
    QCOMPARE(server.requests().size(), 3);
    QCOMPARE(server.maxOpen(), 1);
    QStringList files;
    for (const QList<QVariant> &args : ready)
        files << args.at(0).toString();
    QCOMPARE(files, (QStringList{"1.trc", "2.trc", "3.trc"}));
    QVERIFY(button(form, "pushButton")->isEnabled());
}

void TestTraceUpload::failedUploadThenSuccess()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReplies({reply(500, "boom"), reply(200, "fine")});
    setServer(server.url());
    QVERIFY(wd->write("DebugLogs/a.trc", "first"));
    QVERIFY(wd->write("DebugLogs/b.trc", "second"));
    DebugForm form;
    QSignalSpy errors(form.utils(), &DebugUtils::networkError);
    QSignalSpy ready(form.utils(), &DebugUtils::upReady);
    button(form, "pushButton_2")->click();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(ready.count(), 2);
    QCOMPARE(ready.at(0), (QList<QVariant>{"a.trc", QString()}));
    QCOMPARE(ready.at(1), (QList<QVariant>{"b.trc", "fine"}));
    QCOMPARE(protocol(form), (QStringList{"Error occurred, please resend", "File b.trc sent", "fine"}));
    QCOMPARE(lineFormat(form, 0), QString("#e60000 upright"));
    QCOMPARE(lineFormat(form, 1), QString("theme upright"));
}

void TestTraceUpload::failuresEndCleanly_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("refused connection") << "refused";
    QTest::newRow("silent server") << "silent";
    QTest::newRow("missing file") << "missing";
}

void TestTraceUpload::failuresEndCleanly()
{
    QFETCH(QString, failure);
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReplies({failure == "silent" ? reply(200, "never", 0, true) : reply(200, "ok"), reply(200, "ok")});
    setServer(failure == "refused" ? closedServer() : server.url());
    QVERIFY(wd->write("DebugLogs/next.trc", "next"));
    if (failure != "missing")
        QVERIFY(wd->write("DebugLogs/bad.trc", "bad"));
    DebugUtils utils;
    utils.setUploadTimeout(300);
    QSignalSpy errors(&utils, &DebugUtils::networkError);
    QSignalSpy messages(&utils, &DebugUtils::textMessage);
    QSignalSpy ready(&utils, &DebugUtils::upReady);
    utils.upload("bad.trc", wd->filePath("DebugLogs/bad.trc"));
    setServer(server.url());
    utils.upload("next.trc", wd->filePath("DebugLogs/next.trc"));
    QTRY_VERIFY(!utils.isUploading());

    if (failure == "missing") {
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.first().first().toString().contains("bad.trc"));
        QCOMPARE(errors.count(), 0);
        QCOMPARE(ready.count(), 1);
    } else {
        QCOMPARE(errors.count(), 1);
        QCOMPARE(ready.count(), 2);
        QCOMPARE(ready.first(), (QList<QVariant>{"bad.trc", QString()}));
    }
    QCOMPARE(ready.last(), (QList<QVariant>{"next.trc", "ok"}));
    const QList<QByteArray> parts = HttpTestServer::multipartParts(server.requests().last());
    QVERIFY(parts.value(0).endsWith("\r\n\r\nnext"));
}

void TestTraceUpload::noServerSet()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    QVERIFY(wd->write("DebugLogs/a.trc", "first"));
    DebugForm form;
    QSignalSpy ready(form.utils(), &DebugUtils::upReady);
    button(form, "pushButton_2")->click();
    QCOMPARE(protocol(form), QStringList{"No upload server set"});
    QCOMPARE(lineFormat(form, 0), QString("#e60000 upright"));
    QCOMPARE(ready.count(), 0);
    QTest::qWait(50);
    QCOMPARE(server.requests().size(), 0);
    QVERIFY(button(form, "pushButton_2")->isEnabled());
}

void TestTraceUpload::anyFileNameArrivesWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("quote") << QString("we\"ird name.txt");
    QTest::newRow("backslash") << QString("back\\slash.trc");
    QTest::newRow("backslash before the closing quote") << QString("ends in\\");
    QTest::newRow("line break") << QString("two\r\nlines.trc");
    QTest::newRow("tab and control") << QString("tab\there\x01.trc");
    QTest::newRow("percent") << QString("50%22 off.trc");
    QTest::newRow("non-ASCII") << QString::fromUtf8("Z\xc3\xbcndung \xe2\x80\x93 \xe6\xb8\xac.trc");
}

// Whatever the folder holds goes out in one well-formed part: two header
// lines, the name quoted without a quote, backslash or line break inside,
// decoding to the file's name, and the content after it untouched.
void TestTraceUpload::anyFileNameArrivesWhole()
{
    QFETCH(QString, name);
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReplies({reply(200, "ok")});
    setServer(server.url());
    QVERIFY(wd->write("DebugLogs/" + name, "content"));
    QCOMPARE(QDir("DebugLogs").entryList(QDir::Files), QStringList{name});
    DebugForm form;
    button(form, "pushButton_2")->click();
    const QString shown = form.findChild<QTextEdit *>("textEdit")->toPlainText();
    QVERIFY2(shown.startsWith("File ") && shown.endsWith(" sent\nok"), qPrintable(shown));

    QCOMPARE(server.requests().size(), 1);
    const QList<QByteArray> parts = HttpTestServer::multipartParts(server.requests().first());
    QCOMPARE(parts.size(), 1);
    const int end = parts.first().indexOf("\r\n\r\n");
    QVERIFY(end > 0);
    QCOMPARE(parts.first().mid(end + 4), QByteArray("content"));
    const QList<QByteArray> headers = parts.first().left(end).split('\n');
    QCOMPARE(headers.size(), 2);
    QCOMPARE(headers.at(1), QByteArray("Content-Type: text/plain"));
    const QByteArray prefix("Content-Disposition: form-data; name=\"file\"; filename=\"");
    const QByteArray disposition = headers.at(0).chopped(1); // its "\r"
    QVERIFY2(disposition.startsWith(prefix) && disposition.endsWith('"'), disposition.constData());
    const QByteArray quoted = disposition.mid(prefix.size()).chopped(1);
    for (const char c : quoted)
        QVERIFY2(c != '"' && c != '\\' && uchar(c) >= 0x20 && c != 0x7f, quoted.constData());
    QCOMPARE(QByteArray::fromPercentEncoding(quoted), QFile::encodeName(name));
}

QTEST_MAIN(TestTraceUpload)
#include "tst_traceupload.moc"
