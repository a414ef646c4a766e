// Request framing and the judging of what the adapter returns: echo, reply
// layouts, length byte, check byte, replies arriving in pieces.
#include "ecumsg.h"

#include <QtTest>

class TstEcuMsg : public QObject
{
    Q_OBJECT
private slots:
    void request_data();
    void request();
    void status_data();
    void status();
    void clearKeepsMessage();
    void emptyRequest();
};

void TstEcuMsg::request_data()
{
    QTest::addColumn<QString>("ecu");
    QTest::addColumn<QString>("telegram");
    QTest::addColumn<QByteArray>("sent");

    QTest::newRow("xor check byte 1F") << "MS430DS0_SERIAL" << "12050B03" << QByteArray("12050B031F");
    QTest::newRow("fast ECU: length header and sum 37")
        << "D73N57C0_SERIAL" << "8412F12C10076D" << QByteArray("8412F12C10076D37");
    QTest::newRow("KWP2000 of ME72: xor 7D") << "ME72KWP1_SERIAL" << "B812F1022105" << QByteArray("B812F10221057D");
    QTest::newRow("fast ECU named in lower case")
        << "mrma24_serial" << "0012F321A1" << QByteArray("8212F321A149");
    QTest::newRow("fast ECU header replaced whatever it was")
        << "D73N57C0_SERIAL" << "0012F12C10188107090500076D" << QByteArray("8A12F12C10188107090500076DEB");
    QTest::newRow("odd digit count: first digit alone") << "DM338DS0_SERIAL" << "12060B020" << QByteArray("012060B020D1");
    QTest::newRow("non-digit ignored") << "MS430DS0_SERIAL" << "120722Bx0000" << QByteArray("0120722B000078");
    QTest::newRow("lower-case digits") << "DM338DS0_SERIAL" << "12090b020e000003" << QByteArray("12090B020E0000031F");
    QTest::newRow("no hex digit: nothing to send") << "MS430DS0_SERIAL" << "xyz" << QByteArray();
    QTest::newRow("empty telegram") << "D73N57C0_SERIAL" << "" << QByteArray();
}

void TstEcuMsg::request()
{
    QFETCH(QString, ecu);
    QFETCH(QString, telegram);
    QFETCH(QByteArray, sent);
    const QByteArray request = EcuMsg::buildRequest(ecu.toStdString(), telegram.toStdString());
    QCOMPARE(request.toHex().toUpper(), sent);
}

void TstEcuMsg::status_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<QByteArray>("message");

    using L = QList<QByteArray>;
    using S = QList<int>;
    const QByteArray ds2("12050B031F");
    QTest::newRow("complete reply") << ds2 << L{"12050B031F1206A00102B7"} << S{1} << QByteArray("1206A00102B7");
    QTest::newRow("echo split across reads")
        << ds2 << L{"12050B", "031F1206A00102B7"} << S{3, 1} << QByteArray("1206A00102B7");
    QTest::newRow("byte by byte after the echo")
        << ds2 << L{"12050B031F", "12", "06", "A00102", "B7"} << S{3, 3, 3, 3, 1} << QByteArray("1206A00102B7");
    QTest::newRow("bytes after the reply are not part of it")
        << ds2 << L{"12050B031F1206A00102B7FFFF"} << S{1} << QByteArray("1206A00102B7");
    QTest::newRow("wrong echo") << ds2 << L{"12050B031E1206A00102B7"} << S{0} << QByteArray("12050B031E1206A00102B7");
    QTest::newRow("wrong echo judged once T bytes are in")
        << ds2 << L{"13", "050B031F"} << S{3, 0} << QByteArray("13050B031F");
    QTest::newRow("wrong check byte") << ds2 << L{"12050B031F1206A00102B8"} << S{2} << QByteArray("1206A00102B8");
    QTest::newRow("length byte 0: no check byte") << ds2 << L{"12050B031F1200"} << S{2} << QByteArray();
    QTest::newRow("negative length byte: all after the echo")
        << QByteArray("8212F321A149") << L{"8212F321A149", "82F1", "1261A19637"} << S{3, 2, 1}
        << QByteArray("82F11261A19637");
    QTest::newRow("ME72 layout")
        << QByteArray("B812F10221057D") << L{"B812F10221057DB8F11203", "6105AA", "96", "00"} << S{3, 3, 1, 1}
        << QByteArray("B8F112036105AA96");
    QTest::newRow("ME72 length byte FB: empty")
        << QByteArray("B812F10221057D") << L{"B812F10221057DB8F112FB"} << S{2} << QByteArray();
    QTest::newRow("ME72 length byte 80: all after the echo")
        << QByteArray("B812F10221057D") << L{"B812F10221057DB8F11280", "01"} << S{2, 2} << QByteArray("B8F1128001");
}

void TstEcuMsg::status()
{
    QFETCH(QByteArray, request);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<int>, statuses);
    QFETCH(QByteArray, message);
    QCOMPARE(chunks.size(), statuses.size());

    EcuMsg msg;
    QCOMPARE(msg.status(), 3);
    msg.clear();
    QByteArray sent = QByteArray::fromHex(request);
    msg.setTelegram(sent);
    int received = 0;
    for (int i = 0; i < chunks.size(); ++i) {
        const QByteArray bytes = QByteArray::fromHex(chunks.at(i));
        received += bytes.size();
        msg.addData(bytes);
        QCOMPARE(msg.bufferLength(), received);
        QVERIFY2(msg.status() == statuses.at(i), qPrintable(QStringLiteral("chunk %1: status %2").arg(i).arg(msg.status())));
        QCOMPARE(msg.hasError(), statuses.at(i) == 0 || statuses.at(i) == 2);
    }
    QCOMPARE(msg.message().toHex().toUpper(), message);
}

void TstEcuMsg::clearKeepsMessage()
{
    EcuMsg msg;
    msg.setTelegram(QByteArray::fromHex("12050B031F"));
    msg.addData(QByteArray::fromHex("12050B031F1206A00102B7"));
    QCOMPARE(msg.status(), 1);
    msg.clear();
    QCOMPARE(msg.status(), 3);
    QCOMPARE(msg.bufferLength(), 0);
    QCOMPARE(msg.message().toHex().toUpper(), QByteArray("1206A00102B7"));
    QCOMPARE(msg.telegramKind(), int(EcuMsg::MS4x));
    msg.setTelegram(QByteArray::fromHex("B812F10221057D"));
    QCOMPARE(msg.telegramKind(), int(EcuMsg::ME72));
    msg.setStatus(1);
    QVERIFY(!msg.hasError());
}

void TstEcuMsg::emptyRequest()
{
    // Nothing sent: whatever arrives is judged without reading outside it.
    EcuMsg msg;
    msg.setTelegram(QByteArray());
    msg.addData(QByteArray());
    QCOMPARE(msg.status(), 3);
    msg.addData(QByteArray::fromHex("03"));
    QCOMPARE(msg.status(), 3);
    msg.addData(QByteArray::fromHex("0300"));
    QCOMPARE(msg.status(), 1);
    QCOMPARE(msg.message().toHex(), QByteArray("030300"));
    QCOMPARE(EcuMsg::xorCheckSum(QByteArray()), static_cast<unsigned char>(0));
    QCOMPARE(msg.getCheckSum(QByteArray()), static_cast<unsigned char>(0));
    QCOMPARE(msg.getActualMsgLength(QByteArray()), -1);
}

QTEST_GUILESS_MAIN(TstEcuMsg)
#include "tst_ecumsg.moc"
