// The plain codecs of the CAN path: SLCAN frame lines and ISO-TP
// telegrams (what parses, what is refused, how telegrams split into frames
// and come back, that no byte of one message ever reaches the next, nor of
// one ECU another's), the listener's broadcast values from cut frames, and
// what the bridge's telegram framer says of the bytes it drops.
#include "canbroadcastdecoder.h"
#include "canframe.h"
#include "cantransport.h"
#include "edtelegramframer.h"

#include <QtTest>

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

CANFrame ecuFrame(quint16 id, const QByteArray &data)
{
    CANFrame f;
    f.identifier = id;
    f.length = data.size();
    f.data = data;
    return f;
}

// [0x80 + n][target][source][data][sum]
QByteArray telegram(quint8 target, quint8 source, const QByteArray &data)
{
    QByteArray t;
    t.append(char(0x80 + data.size())).append(char(target)).append(char(source)).append(data);
    t.append(char(CANTransport::sum(t)));
    return t;
}

QByteArray counting(int n, int from = 1)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(from + i));
    return b;
}

// An ECU's answer as frames from 0x600 + ecu: SF, or FF and CFs.
QList<CANFrame> answerFrames(quint8 ecu, const QByteArray &payload)
{
    QList<CANFrame> frames;
    const quint16 id = quint16(0x600 + ecu);
    const int n = payload.size();
    if (n <= 6) {
        frames << ecuFrame(id, QByteArray(1, char(0xF1)) + char(n) + payload);
        return frames;
    }
    frames << ecuFrame(id, QByteArray(1, char(0xF1)) + char(0x10 | (n >> 8)) + char(n & 0xFF) + payload.left(5));
    int seq = 1;
    for (int at = 5; at < n; at += 6, ++seq)
        frames << ecuFrame(id, QByteArray(1, char(0xF1)) + char(0x20 | (seq & 0xF)) + payload.mid(at, 6));
    return frames;
}
} // namespace

class TestCANTransport : public QObject
{
    Q_OBJECT
private slots:
    void parsesFrameLines_data();
    void parsesFrameLines();
    void debugTextAndLine();
    void splitsTelegrams();
    void reassembles_data();
    void reassembles();
    void noByteCrossesMessages();
    void interleavedEcusStayApart_data();
    void interleavedEcusStayApart();
    void consecutiveFrameOfAnotherEcuCompletesNothing();
    void splitThenReassembleRoundTrips();
    void checksumTest();
    void cutBroadcastFramesKeepValues_data();
    void cutBroadcastFramesKeepValues();
    void droppedBytesAreToldBriefly_data();
    void droppedBytesAreToldBriefly();
};

void TestCANTransport::parsesFrameLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("stamped");  // parse with the listener's parse
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("stamp");

    QTest::newRow("bridge frame") << QByteArray("t61280362f18000000000") << false << true << 0x612
                                  << hex("0362f18000000000") << 0;
    QTest::newRow("letters in id") << QByteArray("t6F1412021a80") << false << true << 0x6F1 << hex("12021a80") << 0;
    QTest::newRow("listener frame") << QByteArray("t0AA800000064401f00001234") << true << true << 0x0AA
                                    << hex("00000064401f0000") << 0x1234;
    QTest::newRow("stamp on, bridge parse") << QByteArray("t6124F1025a800002") << false << true << 0x612
                                            << hex("F1025a80") << 0x0002;
    QTest::newRow("empty frame") << QByteArray("t1A000042") << true << true << 0x1A0 << QByteArray() << 0x0042;
    // Not frames: they were identifier 0 or zero bytes.
    QTest::newRow("answer") << QByteArray("") << true << false << 0 << QByteArray() << 0;
    QTest::newRow("bell") << QByteArray("\a") << true << false << 0 << QByteArray() << 0;
    QTest::newRow("z ack") << QByteArray("z") << false << false << 0 << QByteArray() << 0;
    QTest::newRow("extended T") << QByteArray("T0000061280102") << false << false << 0 << QByteArray() << 0;
    QTest::newRow("remote r") << QByteArray("r6128") << false << false << 0 << QByteArray() << 0;
    QTest::newRow("short") << QByteArray("t61") << false << false << 0 << QByteArray() << 0;
    QTest::newRow("non-hex id") << QByteArray("tXYZ10112") << true << false << 0 << QByteArray() << 0;
    QTest::newRow("non-hex data") << QByteArray("t0AA2zz011234") << true << false << 0 << QByteArray() << 0;
    QTest::newRow("length 9") << QByteArray("t0AA9000000000000000000") << false << false << 0 << QByteArray() << 0;
    QTest::newRow("data cut") << QByteArray("t0AA80000") << false << false << 0 << QByteArray() << 0;
    QTest::newRow("stamp missing") << QByteArray("t0AA20102") << true << false << 0 << QByteArray() << 0;
    QTest::newRow("non-hex stamp") << QByteArray("t0AA201021x34") << true << false << 0 << QByteArray() << 0;
    QTest::newRow("id above 7FF") << QByteArray("t8001001234") << true << false << 0 << QByteArray() << 0;
    QTest::newRow("overlong") << QByteArray("t0AA8") + QByteArray(70, '0') << false << false << 0 << QByteArray()
                              << 0;
}

void TestCANTransport::parsesFrameLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, stamped);
    QFETCH(bool, ok);
    CANFrame f;
    f.identifier = 0x7FF;
    const bool parsed = stamped ? CANFrame::parseStamped(line, f) : CANFrame::parse(line, f);
    QCOMPARE(parsed, ok);
    if (!ok) {
        QCOMPARE(int(f.identifier), 0x7FF);  // left as it was
        return;
    }
    QTEST(int(f.identifier), "id");
    QTEST(f.data, "data");
    QCOMPARE(f.length, f.data.size());
    QTEST(int(f.timeStamp), "stamp");
}

void TestCANTransport::debugTextAndLine()
{
    CANFrame f;
    QVERIFY(CANFrame::parse(QByteArray("t6F1412021A80"), f));
    QCOMPARE(f.debugText(), QStringLiteral("F1:4:12021a80"));
    QCOMPARE(f.toSlcan(), QByteArray("t6F1412021a80"));
}

void TestCANTransport::splitsTelegrams()
{
    // Fits one frame: 12 03 1a 80 00 from the tester.
    QList<CANFrame> frames = CANTransport::split(telegram(0x12, 0xF1, hex("1a8000")));
    QCOMPARE(frames.size(), 1);
    QCOMPARE(int(frames[0].identifier), 0x6F1);
    QCOMPARE(frames[0].data, hex("12031a8000"));
    QCOMPARE(frames[0].toSlcan(), QByteArray("t6F15120" "31a8000"));

    // 13 bytes: FF with 5, CFs 21 (6) and 22 (2).
    frames = CANTransport::split(telegram(0x12, 0xF1, counting(13)));
    QCOMPARE(frames.size(), 3);
    QCOMPARE(frames[0].data, hex("12100d0102030405"));
    QCOMPARE(frames[1].data, hex("1221060708090a0b"));
    QCOMPARE(frames[2].data, hex("12220c0d"));

    // No telegram: too short, header not 0x81.., length not matching.
    QVERIFY(CANTransport::split(hex("8212f1")).isEmpty());
    QVERIFY(CANTransport::split(hex("0012f10102")).isEmpty());
    QVERIFY(CANTransport::split(hex("8312f1010203")).isEmpty());
}

void TestCANTransport::reassembles_data()
{
    QTest::addColumn<QList<QByteArray>>("frames");  // data of frames from 0x612
    QTest::addColumn<QList<int>>("outcomes");
    QTest::addColumn<QByteArray>("telegram");      // of the last Complete

    auto t = [](const QByteArray &payload) { return telegram(0xF1, 0x12, payload); };
    const QByteArray twenty = counting(20, 0x30);

    QTest::newRow("single") << QList<QByteArray>{hex("f1045a800102")} << QList<int>{1} << t(hex("5a800102"));
    QTest::newRow("single, padding ignored")
        << QList<QByteArray>{hex("f1025a80aaaaaaaa")} << QList<int>{1} << t(hex("5a80"));
    QTest::newRow("twenty bytes")
        << QList<QByteArray>{QByteArray(hex("f11014")) + twenty.left(5), QByteArray(hex("f121")) + twenty.mid(5, 6),
                             QByteArray(hex("f122")) + twenty.mid(11, 6), QByteArray(hex("f123")) + twenty.mid(17)}
        << QList<int>{0, 0, 0, 1} << t(twenty);
    QTest::newRow("flow control passes") << QList<QByteArray>{hex("f130000200000000")} << QList<int>{3}
                                         << QByteArray();
    QTest::newRow("SF length 0") << QList<QByteArray>{hex("f100")} << QList<int>{-1} << QByteArray();
    QTest::newRow("SF length 7") << QList<QByteArray>{hex("f10701020304050607")} << QList<int>{-1} << QByteArray();
    QTest::newRow("SF shorter than its length") << QList<QByteArray>{hex("f1040102")} << QList<int>{-1}
                                                << QByteArray();
    QTest::newRow("one byte") << QList<QByteArray>{hex("f1")} << QList<int>{-1} << QByteArray();
    QTest::newRow("FF without length") << QList<QByteArray>{hex("f110")} << QList<int>{-1} << QByteArray();
    QTest::newRow("FF of 0x0A0") << QList<QByteArray>{hex("f110a00102030405")} << QList<int>{-1} << QByteArray();
    QTest::newRow("FF of 128") << QList<QByteArray>{hex("f110800102030405")} << QList<int>{-1} << QByteArray();
    QTest::newRow("FF of 0 (escape)") << QList<QByteArray>{hex("f110000102030405")} << QList<int>{-1}
                                      << QByteArray();
    QTest::newRow("FF over 4095") << QList<QByteArray>{hex("f11f000102030405")} << QList<int>{-1} << QByteArray();
}

void TestCANTransport::reassembles()
{
    QFETCH(QList<QByteArray>, frames);
    QFETCH(QList<int>, outcomes);
    CANTransport transport;
    QList<int> got;
    for (const QByteArray &d : frames)
        got << transport.reassemble(ecuFrame(0x612, d));
    QCOMPARE(got, outcomes);
    if (outcomes.last() == CANTransport::Complete)
        QTEST(transport.telegram(), "telegram");
    if (outcomes.last() == CANTransport::Rejected)
        QVERIFY(!transport.lastError().isEmpty());
}

void TestCANTransport::noByteCrossesMessages()
{
    CANTransport tr;
    // 96 bytes: CFs 1 .. 15, then 0, no sequence error.
    const QByteArray big = counting(96);
    const QList<CANFrame> frames = answerFrames(0x12, big);
    QCOMPARE(frames.size(), 17);
    QCOMPARE(uchar(frames.last().data.at(1)), uchar(0x20));
    int outcome = 0;
    for (const CANFrame &f : frames)
        outcome = tr.reassemble(f);
    QCOMPARE(outcome, int(CANTransport::Complete));
    QCOMPARE(tr.telegram(), telegram(0xF1, 0x12, big));

    // A duplicate of the last CF after completion: no empty or repeated
    // telegram.
    QCOMPARE(tr.reassemble(frames.last()), int(CANTransport::Rejected));
    // An orphan CF.
    QCOMPARE(CANTransport().reassemble(ecuFrame(0x612, hex("f121010203"))), int(CANTransport::Rejected));

    // A gap: the sequence error closes the message; the CFs after it
    // complete nothing; the next answer is whole.
    const QList<CANFrame> twenty = answerFrames(0x12, counting(20));
    QCOMPARE(tr.reassemble(twenty[0]), int(CANTransport::Pending));
    QCOMPARE(tr.reassemble(twenty[2]), int(CANTransport::Rejected));
    QVERIFY(tr.lastError().startsWith("Sequence number error:frame:2,seq:1"));
    QCOMPARE(tr.reassemble(twenty[3]), int(CANTransport::Rejected));
    QVERIFY(!tr.isOpen());
    for (const CANFrame &f : answerFrames(0x40, counting(8, 0x70)))
        outcome = tr.reassemble(f);
    QCOMPARE(outcome, int(CANTransport::Complete));
    QCOMPARE(tr.telegram(), telegram(0xF1, 0x40, counting(8, 0x70)));

    // An SF or FF in the middle of a message ends it.
    QCOMPARE(tr.reassemble(twenty[0]), int(CANTransport::Pending));
    QCOMPARE(tr.reassemble(ecuFrame(0x612, hex("f1015a"))), int(CANTransport::Complete));
    QCOMPARE(tr.telegram(), telegram(0xF1, 0x12, hex("5a")));
    QCOMPARE(tr.reassemble(twenty[1]), int(CANTransport::Rejected));
    QCOMPARE(tr.reassemble(twenty[0]), int(CANTransport::Pending));
    QCOMPARE(tr.reassemble(answerFrames(0x12, counting(9, 0x50))[0]), int(CANTransport::Pending));
    QCOMPARE(tr.reassemble(answerFrames(0x12, counting(9, 0x50))[1]), int(CANTransport::Complete));
    QCOMPARE(tr.telegram(), telegram(0xF1, 0x12, counting(9, 0x50)));
}

void TestCANTransport::interleavedEcusStayApart_data()
{
    // Two answers of two frames each, from 0x612 (a) and 0x640 (b), in every
    // order that keeps each ECU's own frames in order.
    QTest::addColumn<QString>("order");
    for (const char *order : {"aabb", "abab", "abba", "baab", "baba", "bbaa"})
        QTest::newRow(order) << QString(order);
}

void TestCANTransport::interleavedEcusStayApart()
{
    QFETCH(QString, order);
    const QByteArray payloadA = counting(11, 0x01);
    const QByteArray payloadB = counting(11, 0xA1);
    const QList<CANFrame> a = answerFrames(0x12, payloadA);
    const QList<CANFrame> b = answerFrames(0x40, payloadB);
    QCOMPARE(a.size(), 2);
    CANTransport tr;
    QList<QByteArray> telegrams;
    int ai = 0;
    int bi = 0;
    for (const QChar c : order) {
        const CANFrame &f = c == 'a' ? a[ai++] : b[bi++];
        const int outcome = tr.reassemble(f);
        QVERIFY2(outcome != CANTransport::Rejected, qPrintable(tr.lastError()));
        if (outcome == CANTransport::Complete)
            telegrams << tr.telegram();
    }
    // Each ECU's whole answer, in the order they were completed.
    const QByteArray wholeA = telegram(0xF1, 0x12, payloadA);
    const QByteArray wholeB = telegram(0xF1, 0x40, payloadB);
    const bool aFirst = order.lastIndexOf('a') < order.lastIndexOf('b');
    QCOMPARE(telegrams, aFirst ? (QList<QByteArray>{wholeA, wholeB}) : (QList<QByteArray>{wholeB, wholeA}));
    QVERIFY(!tr.isOpen());
}

void TestCANTransport::consecutiveFrameOfAnotherEcuCompletesNothing()
{
    CANTransport tr;
    QCOMPARE(tr.reassemble(ecuFrame(0x612, hex("f1100b0102030405"))), int(CANTransport::Pending));
    // The rest of a message whose first frame was never seen, from 0x640:
    // not the end of 0x612's message.
    QCOMPARE(tr.reassemble(ecuFrame(0x640, hex("f121a6a7a8a9aaab"))), int(CANTransport::Rejected));
    QVERIFY(tr.lastError().contains("without a first frame"));
    QVERIFY(tr.isOpen(0x612, 0xF1));
    QVERIFY(!tr.isOpen(0x640, 0xF1));
    // Nor is a frame of 0x612 to another address.
    QCOMPARE(tr.reassemble(ecuFrame(0x612, hex("f221a6a7a8a9aaab"))), int(CANTransport::Rejected));
    QCOMPARE(tr.reassemble(ecuFrame(0x612, hex("f121060708090a0b"))), int(CANTransport::Complete));
    QCOMPARE(tr.telegram(), telegram(0xF1, 0x12, counting(11)));

    // Many senders opening messages at once: the oldest give way, memory
    // stays bounded, the newest still complete.
    for (int ecu = 0; ecu < 40; ++ecu)
        QCOMPARE(tr.reassemble(answerFrames(quint8(ecu), counting(11))[0]), int(CANTransport::Pending));
    QVERIFY(!tr.isOpen(0x600, 0xF1));
    QCOMPARE(tr.reassemble(answerFrames(0, counting(11))[1]), int(CANTransport::Rejected));
    QCOMPARE(tr.reassemble(answerFrames(39, counting(11))[1]), int(CANTransport::Complete));
    QCOMPARE(tr.telegram(), telegram(0xF1, 39, counting(11)));
    tr.reset();
    QVERIFY(!tr.isOpen());
}

void TestCANTransport::splitThenReassembleRoundTrips()
{
    for (int n = 1; n <= 31; ++n) {
        const QByteArray t = telegram(0x12, 0xF1, counting(n, 0x90));
        const QList<CANFrame> frames = CANTransport::split(t);
        QCOMPARE(frames.size(), n <= 6 ? 1 : 1 + (n - 5 + 5) / 6);
        CANTransport tr;
        int outcome = 0;
        for (int i = 0; i < frames.size(); ++i) {
            // Through the text form, as the adapter carries them.
            CANFrame f;
            QVERIFY(CANFrame::parse(frames[i].toSlcan(), f));
            outcome = tr.reassemble(f);
            QCOMPARE(outcome, i + 1 < frames.size() ? 0 : 1);
        }
        QCOMPARE(tr.telegram(), t);
    }
}

void TestCANTransport::checksumTest()
{
    const QByteArray b = hex("8212f11a80");
    QVERIFY(CANTransport::checksumOk(b, CANTransport::sum(b)));
    quint8 x = 0;
    for (char c : b)
        x ^= quint8(c);
    QVERIFY(x != CANTransport::sum(b));
    QTest::ignoreMessage(QtDebugMsg, "XOR CHKSUM!!!!!");
    QVERIFY(CANTransport::checksumOk(b, x));
    QVERIFY(!CANTransport::checksumOk(b, quint8(x + 1) == CANTransport::sum(b) ? quint8(x + 2) : quint8(x + 1)));
    QCOMPARE(CANTransport::sum(QByteArray()), quint8(0));
}

void TestCANTransport::cutBroadcastFramesKeepValues_data()
{
    // After a whole frame of each kind, a shorter one of the same identifier
    // changes only the values whose bytes it carries.
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QList<double>>("values"); // wspd1..4, RPM, Pedal, Speed
    const QList<double> before{10000, 2, 3, 4, 2000, 39, 100};
    QTest::newRow("0x0AA empty") << QByteArray("t0AA00100") << before;
    QTest::newRow("0x0AA without RPM high byte")
        << QByteArray("t0AA5000000C8400101") << QList<double>{10000, 2, 3, 4, 2000, 200 * 0.39, 100};
    QTest::newRow("0x0AA up to RPM")
        << QByteArray("t0AA600000000A00F0102") << QList<double>{10000, 2, 3, 4, 1000, 0, 100};
    QTest::newRow("0x0CE of three bytes") << QByteArray("t0CE30500070103") << QList<double>{5, 2, 3, 4, 2000, 39, 100};
    QTest::newRow("0x0CE of seven bytes")
        << QByteArray("t0CE7010002000300090104") << QList<double>{1, 2, 3, 4, 2000, 39, 100};
    QTest::newRow("0x1A0 of one byte") << QByteArray("t1A01000105") << before;
    QTest::newRow("0x1A0 empty") << QByteArray("t1A000106") << before;
}

void TestCANTransport::cutBroadcastFramesKeepValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QList<double>, values);
    CANBroadcastDecoder decoder;
    QVERIFY(decoder.takeLine(QByteArray("t0CE8102702000300040000F0")));
    QVERIFY(decoder.takeLine(QByteArray("t0AA800000064401f000000F1")));
    QVERIFY(decoder.takeLine(QByteArray("t1A02e8f300F2")));
    QVERIFY(decoder.takeLine(line));
    QList<double> got;
    for (int v = 0; v < CANBroadcastDecoder::ValueCount; ++v)
        got << decoder.value(v);
    QCOMPARE(got, values);
}

void TestCANTransport::droppedBytesAreToldBriefly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("first");  // the start of the first line
    QByteArray junk(4 * 1024 * 1024, '\x55');
    junk[0] = '\x01';
    QTest::newRow("4 MB of junk") << junk << QString("4194304 byte(s) that start no telegram: 01 55 55");
    // A header, its length of wrong bytes, again and again.
    QByteArray wrong;
    for (int i = 0; i < 100000; ++i)
        wrong += hex("8212f11a8000");
    QTest::newRow("100000 wrong check bytes")
        << wrong << QString("telegram with a wrong check byte: 82 12 f1 1a 80 00");
}

void TestCANTransport::droppedBytesAreToldBriefly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, first);
    EdTelegramFramer framer;
    QList<QByteArray> telegrams;
    // In one read, then a good telegram: it still comes through.
    framer.feed(bytes, 0, telegrams);
    framer.feed(hex("8212f11a801f"), 1, telegrams);
    QCOMPARE(telegrams, QList<QByteArray>{hex("8212f11a801f")});
    const QStringList lines = framer.takeDropped();
    QVERIFY(!lines.isEmpty());
    QVERIFY2(lines.first().startsWith(first), qPrintable(lines.first()));
    QVERIFY(lines.size() <= EdTelegramFramer::MaxReasons + 1);
    for (const QString &line : lines)
        QVERIFY2(line.size() <= 120, qPrintable(QString::number(line.size())));
    QVERIFY(framer.takeDropped().isEmpty());
}

QTEST_APPLESS_MAIN(TestCANTransport)
#include "tst_cantransport.moc"
