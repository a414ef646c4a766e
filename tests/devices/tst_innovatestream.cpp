// The MTS stream: the parser's packets from a table of byte streams
// (headers, replies, lambda and LM-1 records, the synchronisation rules,
// broken packets each followed by one that decodes), and the stream
// handler reading a chain on a pseudo-terminal whose writes are cut into
// pieces or merged.
#include "innovatestreamhandler.h"
#include "mtschain.h"
#include "mtsstreamparser.h"
#include "ptydevice.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
// A packet in short: "D m<afrMultiplier> n<count> f:v..." with "*" for an
// LM-1 word (at most eight entries), or "R<code> n<rawLength> <raw hex>"
// (at most eight bytes).
QString summary(const InnovateMTSPacket &p)
{
    QStringList parts;
    if (p.replyType != 0) {
        parts << QString("R%1").arg(p.replyType, 0, 16) << QString("n%1").arg(p.rawLength);
        const QByteArray raw(reinterpret_cast<const char *>(p.raw), qMin<int>(p.rawLength, 8));
        if (!raw.isEmpty())
            parts << QString::fromLatin1(raw.toHex()) + (p.rawLength > 8 ? "..." : "");
        return parts.join(' ');
    }
    parts << QString("D m%1").arg(p.afrMultiplier) << QString("n%1").arg(p.channelCount);
    for (int i = 0; i < qMin(p.channelCount, 8); ++i)
        parts << QString("%1:%2%3").arg(p.channels[i].function).arg(p.channels[i].value).arg(p.channels[i].isLM1 ? "*" : "");
    if (p.channelCount > 8)
        parts << "...";
    return parts.join(' ');
}

QStringList parse(MTSStreamParser &parser, const QByteArray &bytes, QList<InnovateMTSPacket> *packets = nullptr)
{
    QStringList out;
    for (char c : bytes) {
        if (parser.feed(quint8(c))) {
            InnovateMTSPacket p;
            parser.copyPacket(p);
            out << summary(p);
            if (packets)
                packets->append(p);
        }
    }
    return out;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

const QByteArray AuxPacket = hex("B282 0111 031b");
const QString AuxSummary = "D m-1 n2 9:145 9:411";
} // namespace

class TestInnovateStream : public QObject
{
    Q_OBJECT
private slots:
    void parser_data();
    void parser();
    void lm1ExtraWord();
    void emptyPacketHasNoMultiplier();
    void handlerTimesPackets();
    void splitAndMergedReadsAgree();
    void openFailureReported();
};

void TestInnovateStream::parser_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("packets");
    QTest::addColumn<int>("syncErrors");

    QTest::newRow("aux words") << AuxPacket << QStringList{AuxSummary} << 0;
    QTest::newRow("four aux words at once") << MtsChain::dataPacket(MtsChain::aux(1) + MtsChain::aux(2) + MtsChain::aux(3) + MtsChain::aux(8191))
                                            << QStringList{"D m-1 n4 9:1 9:2 9:3 9:8191"} << 0;
    QTest::newRow("reply to F3") << hex("A285 0173 1120 4D545862 0387") << QStringList{"Rf3 n8 11204d5458620387"} << 0;
    QTest::newRow("reply to CE") << hex("A285 014E 4D545862 0000 0000") << QStringList{"Rce n8 4d54586200000000"} << 0;
    QTest::newRow("lambda at the end: dropped once")
        << hex("B282 4313 0374") + hex("B282 4313 0374") + hex("B282 4313 0374")
        << QStringList{"D m147 n1 0:500", "D m147 n1 0:500"} << 0;
    QTest::newRow("lambda then aux: at once")
        << MtsChain::dataPacket(MtsChain::lambda(1, 147, 600) + MtsChain::aux(77)) << QStringList{"D m147 n2 1:600 9:77"} << 0;
    QTest::newRow("first multiplier counts")
        << MtsChain::dataPacket(MtsChain::lambda(0, 100, 1) + MtsChain::lambda(0, 147, 2) + MtsChain::aux(3))
        << QStringList{"D m100 n3 0:1 0:2 9:3"} << 0;
    const QByteArray lm1 = MtsChain::lm1Packet(0, 147, 500, {1, 2, 3, 4, 5});
    QTest::newRow("old LM-1: first dropped") << lm1 + lm1 + lm1
                                             << QStringList{"D m147 n6 0:500* 9:1* 9:2* 9:3* 9:4* 9:5*",
                                                            "D m147 n6 0:500* 9:1* 9:2* 9:3* 9:4* 9:5*"}
                                             << 0;
    QTest::newRow("no LM-1 header after a bit-7 byte") << hex("F0") + lm1.left(2) + AuxPacket
                                                       << QStringList{AuxSummary} << 0;
    QTest::newRow("bit-7 byte mid-word resyncs") << hex("B284 0111 0181") + AuxPacket << QStringList{AuxSummary} << 1;
    QTest::newRow("reply of one word") << hex("A2 81 01 73") + AuxPacket << QStringList{"Rf3 n0", AuxSummary} << 0;
    QTest::newRow("data of no words") << hex("B2 80") + AuxPacket << QStringList{AuxSummary} << 1;
    QTest::newRow("reply of no words") << hex("A2 80") + AuxPacket << QStringList{AuxSummary} << 1;
    QTest::newRow("lambda record over the end") << hex("B282 0111 4313") + AuxPacket << QStringList{AuxSummary} << 1;
    QTest::newRow("LM-1 record over the end")
        << hex("B284 0111 0222") + MtsChain::lm1Packet(0, 147, 500, {}).left(4) + AuxPacket << QStringList{AuxSummary} << 1;
    QTest::newRow("LM-1 record closes a packet")
        << MtsChain::dataPacket(MtsChain::aux(9) + MtsChain::lm1Packet(0, 147, 500, {}).left(6)) + AuxPacket
        << QStringList{"D m147 n2 9:9 0:500*", AuxSummary} << 0;

    QByteArray words;
    for (int i = 0; i < 255; ++i)
        words += MtsChain::aux(i);
    QTest::newRow("255 words: 64 kept") << MtsChain::header(true, 255) + words + AuxPacket
                                        << QStringList{"D m-1 n64 9:0 9:1 9:2 9:3 9:4 9:5 9:6 9:7 ...", AuxSummary}
                                        << 0;
    QByteArray raw(508, '\x5a');
    raw[0] = '\x01';
    QTest::newRow("reply of 255 words: 256 bytes kept")
        << MtsChain::header(false, 255) + hex("014E") + raw + AuxPacket
        << QStringList{"Rce n256 015a5a5a5a5a5a5a...", AuxSummary} << 0;
    QTest::newRow("garbage between") << hex("00 7f 13 55") + AuxPacket + hex("01 02") + AuxPacket
                                     << QStringList{AuxSummary, AuxSummary} << 0;
}

void TestInnovateStream::parser()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, packets);
    QFETCH(int, syncErrors);
    MTSStreamParser parser;
    QCOMPARE(parse(parser, stream), packets);
    QCOMPARE(parser.syncErrors(), syncErrors);
}

void TestInnovateStream::lm1ExtraWord()
{
    // The extra word: m = 5, v = 0x155 (341): 5 * 341 * 5 / 1023.
    QByteArray lm1 = MtsChain::lm1Packet(0, 147, 500, {});
    lm1[4] = char((5 << 3) | (0x155 >> 7));
    lm1[5] = char(0x155 & 0x7F);
    MTSStreamParser parser;
    QList<InnovateMTSPacket> packets;
    parse(parser, lm1 + lm1, &packets);
    QCOMPARE(packets.size(), 1);
    QCOMPARE(packets.first().lm1Extra, float(5 * 341) * 5.0f / 1023.0f);
}

void TestInnovateStream::emptyPacketHasNoMultiplier()
{
    MTSStreamParser parser;
    QList<InnovateMTSPacket> packets;
    // A lambda packet first, then one of aux words only: its multiplier is -1 again.
    parse(parser, MtsChain::dataPacket(MtsChain::lambda(0, 147, 1) + MtsChain::aux(1)) + AuxPacket, &packets);
    QCOMPARE(packets.size(), 2);
    QCOMPARE(packets.at(1).afrMultiplier, qint16(-1));
    QCOMPARE(packets.at(1).lm1Extra, -1.0f);
    QCOMPARE(packets.at(1).channels[2].function, quint8(InnovateMTSPacket::EmptyEntry));
}

void TestInnovateStream::handlerTimesPackets()
{
    InnovateStreamHandler handler;
    QSignalSpy spy(&handler, &InnovateStreamHandler::MTSPacketRead);
    handler.start();  // no port: reported, but the times start here
    QTest::qWait(30);
    handler.feed(AuxPacket + AuxPacket.left(3));
    QCOMPARE(spy.count(), 1);
    auto first = spy.at(0).at(0).value<InnovateMTSPacket>();
    QVERIFY2(first.elapsedMs >= 25 && first.elapsedMs < 5000, qPrintable(QString::number(first.elapsedMs)));
    QTest::qWait(20);
    handler.feed(AuxPacket.mid(3));
    QCOMPARE(spy.count(), 2);
    auto second = spy.at(1).at(0).value<InnovateMTSPacket>();
    QCOMPARE(second.prevPacketTime, first.prevPacketTime + first.elapsedMs);
    QVERIFY(second.elapsedMs >= 15);
}

void TestInnovateStream::splitAndMergedReadsAgree()
{
    const QList<QByteArray> data{
        AuxPacket,
        MtsChain::dataPacket(MtsChain::lambda(0, 147, 510) + MtsChain::aux(300)),
        MtsChain::dataPacket(MtsChain::lambda(1, 147, 490)),
        hex("A285 014E 4D545862 0000 0000"),
    };
    QStringList seen[2];
    for (int run = 0; run < 2; ++run) {
        PtyDevice dev;
        InnovateStreamHandler handler;
        SerialPortSettings s = handler.serialSettings();
        QCOMPARE(s.baudRate, 19200);
        s.name = dev.slavePath();
        handler.setSerialSettings(s);
        QVERIFY(handler.open());
        QCOMPARE(dev.baudRate(), 19200);
        QCOMPARE(dev.dataBits(), 8);
        QVERIFY(!dev.parityEnabled());
        connect(&handler, &InnovateStreamHandler::MTSPacketRead,
                [&](InnovateMTSPacket p) { seen[run] << summary(p); });
        MtsChain chain(dev);
        chain.setData(data);
        chain.setIntervalMs(5);
        chain.setGarbage(hex("05"));
        if (run == 0)
            chain.splitWrites(3);
        else
            chain.mergeWrites(3);
        chain.start();
        QTRY_VERIFY_WITH_TIMEOUT(seen[run].size() >= 12, 10000);
        chain.stop();
        handler.stop();
    }
    QCOMPARE(seen[0].mid(0, 12), seen[1].mid(0, 12));
    // The lambda-ended packet is dropped the first time only.
    QCOMPARE(seen[0].mid(0, 4), (QStringList{AuxSummary, "D m147 n2 0:510 9:300", "Rce n8 4d54586200000000", AuxSummary}));
}

void TestInnovateStream::openFailureReported()
{
    InnovateStreamHandler handler;
    QSignalSpy errors(&handler, &InnovateStreamHandler::error);
    QTemporaryDir dir;
    handler.setPortName(dir.filePath("ttyNone"));
    handler.start();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), QString("open com port failed: No such file or directory"));
    QVERIFY(!handler.isOpen());
    handler.setIsUSB(true);  // no LM-2 script: no device
    handler.start();
    QCOMPARE(errors.at(1).at(0).toString(), QString("open USB failed: no LM-2 found"));
    handler.stop();
    handler.stop();
}

QTEST_GUILESS_MAIN(TestInnovateStream)
#include "tst_innovatestream.moc"
