#include "slcanadapter.h"

#include <QElapsedTimer>
#include <chrono>
#include <thread>

namespace {
const quint16 TesterId = 0x6F1;

QByteArray hexUpper(const QByteArray &bytes)
{
    return bytes.toHex().toUpper();
}

// The data of a "t" line, or false when the line is no plain frame line.
bool frameData(const QByteArray &line, quint16 &id, QByteArray &data)
{
    if (line.size() < 5 || line.at(0) != 't')
        return false;
    bool ok = false;
    id = quint16(line.mid(1, 3).toUInt(&ok, 16));
    const int length = line.at(4) - '0';
    if (!ok || length < 0 || length > 8 || line.size() < 5 + 2 * length)
        return false;
    data = QByteArray::fromHex(line.mid(5, 2 * length));
    return data.size() == length;
}

// Polls without processing events: the adapter runs in its own thread.
template <typename Condition>
bool pollUntil(Condition done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    do {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (t.elapsed() < timeoutMs);
    return false;
}

qint64 nowMs()
{
    static QElapsedTimer clock;
    static std::once_flag once;
    std::call_once(once, [] { clock.start(); });
    return clock.elapsed();
}
} // namespace

SlcanAdapter::SlcanAdapter(PtyDevice &device)
    : dev(device)
    , responder(device)
{
    responder.onReceive([this](const QByteArray &got, PtyDevice &d) { onBytes(got, d); });
    responder.every(2, [this](PtyDevice &d) { tick(d); });
}

SlcanAdapter::~SlcanAdapter()
{
    stop();
}

void SlcanAdapter::start()
{
    responder.start();
}

void SlcanAdapter::stop()
{
    responder.stop();
}

QByteArray SlcanAdapter::frameLine(quint16 identifier, const QByteArray &data, int stamp)
{
    QByteArray line = "t" + QByteArray::number(identifier, 16).rightJustified(3, '0').toUpper()
        + QByteArray::number(data.size()) + hexUpper(data);
    if (stamp >= 0)
        line += QByteArray::number(stamp & 0xFFFF, 16).rightJustified(4, '0').toUpper();
    return line;
}

void SlcanAdapter::stream(const QList<QByteArray> &lines, int intervalMs, bool loop)
{
    std::lock_guard<std::mutex> lock(mutex);
    streamLines = lines;
    streamInterval = intervalMs;
    streamLoop = loop;
    streamAt = 0;
    lastStreamMs = -1;
}

int SlcanAdapter::linesStreamed() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return streamedCount;
}

void SlcanAdapter::send(const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lock(mutex);
    outbox += bytes;
}

void SlcanAdapter::answer(quint8 ecu, const QByteArray &payload, Fault fault)
{
    std::lock_guard<std::mutex> lock(mutex);
    scripted[ecu].append(Pending{payload, fault});
}

QByteArray SlcanAdapter::received() const
{
    return responder.received();
}

QList<QByteArray> SlcanAdapter::commands() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return commandLog;
}

bool SlcanAdapter::waitForCommand(const QByteArray &cmd, int timeoutMs) const
{
    return pollUntil([&] { return commands().contains(cmd); }, timeoutMs);
}

bool SlcanAdapter::channelOpen() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return open;
}

QList<SlcanAdapter::Request> SlcanAdapter::requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return requestLog;
}

bool SlcanAdapter::waitForRequests(int n, int timeoutMs) const
{
    return pollUntil([&] { return requests().size() >= n; }, timeoutMs);
}

QList<QByteArray> SlcanAdapter::flowControls() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return flowControlLog;
}

void SlcanAdapter::onBytes(const QByteArray &bytes, PtyDevice &d)
{
    std::lock_guard<std::mutex> lock(mutex);
    lineBuffer += bytes;
    int end;
    while ((end = lineBuffer.indexOf('\r')) >= 0) {
        const QByteArray cmd = lineBuffer.left(end);
        lineBuffer.remove(0, end + 1);
        command(cmd, d);
    }
}

void SlcanAdapter::command(const QByteArray &cmd, PtyDevice &d)
{
    if (cmd.isEmpty()) {
        d.write("\r");
        return;
    }
    commandLog << cmd;
    const char c = cmd.at(0);
    switch (c) {
    case 't': {
        d.write("z\r");
        quint16 id = 0;
        QByteArray data;
        if (frameData(cmd, id, data) && id == TesterId)
            testerFrame(cmd, data, d);
        return;
    }
    case 'O':
        open = true;
        break;
    case 'C':
        open = false;
        break;
    case 'V':
        // Hardware 01, firmware 07, as a USBtin says it.
        d.write("V0107\r");
        return;
    case 'S': case 'Z': case 'W': case 'M': case 'm': case 'v': case 'N': case 'F': case 'L':
        break;
    default:
        d.write("\a");
        return;
    }
    d.write("\r");
}

void SlcanAdapter::testerFrame(const QByteArray &line, const QByteArray &data, PtyDevice &d)
{
    if (data.size() < 2)
        return;
    const quint8 ecu = quint8(data.at(0));
    const int control = quint8(data.at(1));
    switch (control >> 4) {
    case 0:
        requestLog << Request{ecu, data.mid(2, control & 0x0F)};
        answerRequest(ecu, d);
        break;
    case 1: {
        Incoming &in = incoming[ecu];
        in.expected = ((control & 0x0F) << 8) | quint8(data.at(2));
        in.payload = data.mid(3);
        break;
    }
    case 2: {
        auto it = incoming.find(ecu);
        if (it == incoming.end())
            break;
        it->payload += data.mid(2);
        if (it->payload.size() >= it->expected) {
            requestLog << Request{ecu, it->payload.left(it->expected)};
            incoming.erase(it);
            answerRequest(ecu, d);
        }
        break;
    }
    case 3:
        flowControlLog << line;
        if (awaitingFlowControl.contains(ecu))
            sendConsecutive(ecu, d);
        break;
    default:
        break;
    }
}

void SlcanAdapter::answerRequest(quint8 ecu, PtyDevice &d)
{
    auto it = scripted.find(ecu);
    if (it == scripted.end() || it->isEmpty())
        return;
    const Pending answer = it->takeFirst();
    const quint16 id = quint16(0x600 + ecu);
    const int n = answer.payload.size();
    if (n <= 6) {
        QByteArray data = QByteArray(1, char(0xF1)) + char(n) + answer.payload;
        if (answer.fault == Padded)
            data += QByteArray(8 - data.size(), char(0xAA));
        d.write(frameLine(id, data) + '\r');
        return;
    }
    const QByteArray first =
        QByteArray(1, char(0xF1)) + char(0x10 | (n >> 8)) + char(n & 0xFF) + answer.payload.left(5);
    d.write(frameLine(id, first) + '\r');
    awaitingFlowControl.insert(ecu, answer);
}

void SlcanAdapter::sendConsecutive(quint8 ecu, PtyDevice &d)
{
    const Pending answer = awaitingFlowControl.take(ecu);
    const quint16 id = quint16(0x600 + ecu);
    int sequence = 1;
    int index = 0;
    for (int at = 5; at < answer.payload.size(); at += 6, ++sequence, ++index) {
        QByteArray data = QByteArray(1, char(0xF1)) + char(0x20 | (sequence & 0x0F)) + answer.payload.mid(at, 6);
        const bool spoiled = index == 1;
        if (spoiled && answer.fault == MissingConsecutive)
            continue;
        if (spoiled && answer.fault == WrongSequence)
            data[1] = char(0x20 | ((sequence + 1) & 0x0F));
        QByteArray line = frameLine(id, data);
        if (spoiled && answer.fault == TruncatedLine)
            line.chop(3);
        if (spoiled && answer.fault == NonHexLine)
            line.replace(7, 2, "xx");
        d.write(line + '\r');
    }
}

void SlcanAdapter::tick(PtyDevice &d)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!outbox.isEmpty()) {
        d.write(outbox);
        outbox.clear();
    }
    if (!open || streamLines.isEmpty() || streamInterval <= 0)
        return;
    const qint64 now = nowMs();
    if (lastStreamMs >= 0 && now - lastStreamMs < streamInterval)
        return;
    if (streamAt >= streamLines.size()) {
        if (!streamLoop)
            return;
        streamAt = 0;
    }
    lastStreamMs = now;
    d.write(streamLines.at(streamAt++) + '\r');
    ++streamedCount;
}
