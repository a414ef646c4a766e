#pragma once
// The reply message of one serial exchange, counted from 0 at the reply's
// first byte, as the data tables address it.
#include <QByteArray>
#include <QObject>

class EcuDataResponse : public QObject
{
public:
    explicit EcuDataResponse(QObject *parent = nullptr) : QObject(parent) {}

    void setData(const QByteArray &bytes) { m_data = bytes; }
    QByteArray &data() { return m_data; }
    const QByteArray &data() const { return m_data; }

private:
    QByteArray m_data;
};
