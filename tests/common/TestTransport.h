#pragma once

#include "link/ITransport.h"

#include <QByteArrayList>

// A link double shared by tests, benchmarks and fuzz targets: it keeps what is
// written to it, fails writes on demand and delivers whatever bytes the caller
// plays as the camera's side.
class TestTransport : public ITransport
{
public:
    explicit TestTransport(QString name = QStringLiteral("Test link"), bool startOpen = false,
                           QObject *parent = nullptr)
        : ITransport(parent), m_name(std::move(name)), m_open(startOpen)
    {
    }

    bool open() override
    {
        emit connectionChanged(m_open = true);
        return true;
    }
    TestTransport *opened()
    {
        open();
        return this;
    }
    void close() override
    {
        if (m_open)
            emit connectionChanged(m_open = false);
    }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override
    {
        if (failWrites)
            return false;
        writes.append(bytes);
        return true;
    }
    QString errorString() const override { return errorText; }
    QString displayName() const override { return m_name; }
    void deliver(const QByteArray &bytes) { emit dataReceived(bytes); }

    QByteArrayList writes;
    bool failWrites = false;
    QString errorText;

private:
    QString m_name;
    bool m_open;
};
