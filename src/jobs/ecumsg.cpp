#include "ecumsg.h"

#include "kelvolog.h"

EcuMsg::EcuMsg()
    : logger(KelvoLog::get("serial"))
{
}

void EcuMsg::clear()
{
    receiveBuffer.clear();
    m_status = Incomplete;
}

void EcuMsg::setTelegram(const QByteArray &telegram)
{
    m_sentTelegram = telegram;
    m_telegramKind = telegram.startsWith(QByteArray("\xB8\x12\xF1", 3)) ? ME72 : MS4x;
}

void EcuMsg::addData(const QByteArray &bytes)
{
    receiveBuffer.append(bytes);
    m_message = receiveBuffer;
    updateStatus();
}

void EcuMsg::updateStatus()
{
    if (!checkTelLen(receiveBuffer) || !checkTelStart(receiveBuffer)
        || !canReadMsgLen(receiveBuffer) || !canReadFullMsg(receiveBuffer))
        return;

    m_message = extractMessage(receiveBuffer);
    if (m_message.isEmpty()) {
        // A reply length of 0 leaves no check byte to verify: not a reply.
        m_status = ChecksumError;
        LOG4CPLUS_ERROR_FMT(logger, "empty reply message, no check byte");
        return;
    }
    const unsigned char expected = xorCheckSum(m_message.left(m_message.size() - 1));
    const unsigned char got = getCheckSum(m_message);
    if (expected == got) {
        m_status = Complete;
    } else {
        m_status = ChecksumError;
        LOG4CPLUS_ERROR_FMT(logger, "chksum error expected %x got %x", unsigned(expected), unsigned(got));
    }
}

int EcuMsg::getActualMsgLength(const QByteArray &buffer) const
{
    const int t = m_sentTelegram.size();
    const int at = m_telegramKind == ME72 ? t + 3 : t + 1;
    if (buffer.size() <= at)
        return -1;
    return int(static_cast<signed char>(buffer.at(at)));
}

QByteArray EcuMsg::extractMessage(const QByteArray &buffer) const
{
    const int t = m_sentTelegram.size();
    if (buffer.size() <= t)
        return QByteArray();
    const int len = getActualMsgLength(buffer);
    const int count = m_telegramKind == ME72 ? len + 5 : len;
    if (count < 0)
        return buffer.mid(t);
    return buffer.mid(t, count);
}

unsigned char EcuMsg::getCheckSum(const QByteArray &message) const
{
    if (message.isEmpty())
        return 0;
    return static_cast<unsigned char>(message.at(message.size() - 1));
}

bool EcuMsg::checkTelLen(const QByteArray &buffer)
{
    if (buffer.size() < m_sentTelegram.size()) {
        m_status = Incomplete;
        return false;
    }
    return true;
}

bool EcuMsg::checkTelStart(const QByteArray &buffer)
{
    if (!buffer.startsWith(m_sentTelegram)) {
        m_status = NoEcho;
        return false;
    }
    return true;
}

bool EcuMsg::canReadMsgLen(const QByteArray &buffer)
{
    const int need = m_sentTelegram.size() + (m_telegramKind == ME72 ? 4 : 2);
    if (buffer.size() < need) {
        m_status = Incomplete;
        return false;
    }
    return true;
}

bool EcuMsg::canReadFullMsg(const QByteArray &buffer)
{
    const int len = getActualMsgLength(buffer);
    if (len < 0)
        return true;
    const int need = m_sentTelegram.size() + len + (m_telegramKind == ME72 ? 5 : 0);
    if (buffer.size() < need) {
        m_status = Incomplete;
        return false;
    }
    return true;
}

unsigned char EcuMsg::xorCheckSum(const QByteArray &bytes)
{
    unsigned char x = 0;
    for (char c : bytes)
        x ^= static_cast<unsigned char>(c);
    return x;
}

unsigned char EcuMsg::sumCheckSum(const QByteArray &bytes)
{
    unsigned int sum = 0;
    for (char c : bytes)
        sum += static_cast<unsigned char>(c);
    return static_cast<unsigned char>(sum & 0xFF);
}

QByteArray EcuMsg::telegramBytes(const std::string &telegram)
{
    // QByteArray::fromHex skips non-digits and pairs from the end, so an odd
    // leading digit stands alone, as the telegram texts expect.
    return QByteArray::fromHex(QByteArray(telegram.data(), int(telegram.size())));
}

bool EcuMsg::isFastSerialEcu(const std::string &ecuName)
{
    const QByteArray name = QByteArray(ecuName.data(), int(ecuName.size())).toUpper();
    return name == "D73N57C0_SERIAL" || name == "MRMA24_SERIAL";
}

QByteArray EcuMsg::buildRequest(const std::string &ecuName, const std::string &telegram)
{
    QByteArray request = telegramBytes(telegram);
    if (request.isEmpty())
        return request;
    if (isFastSerialEcu(ecuName)) {
        // KWP2000 format byte 0x80 + the data bytes behind format, target
        // and source.
        request[0] = char((request.size() + 0x7D) & 0xFF);
        request.append(char(sumCheckSum(request)));
    } else {
        request.append(char(xorCheckSum(request)));
    }
    return request;
}
