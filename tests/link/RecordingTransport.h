#pragma once

#include "link/ITransport.h"

#include <QByteArrayList>
#include <QSettings>

// A link double that keeps what is written to it and lets a test decide
// whether it is open and whether writes succeed.
class RecordingTransport : public ITransport
{
    Q_OBJECT
public:
    using ITransport::ITransport;

    bool open() override
    {
        setUp(true);
        return true;
    }
    void close() override { setUp(false); }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override
    {
        if (failWrites)
            return false;
        writes.append(bytes);
        return true;
    }
    QString errorString() const override { return errorText; }
    QString displayName() const override { return name; }

    // Emits as a real link would when bytes arrive.
    void deliver(const QByteArray &bytes) { emit dataReceived(bytes); }
    void setUp(bool up)
    {
        m_open = up;
        emit connectionChanged(up);
    }

    QByteArrayList writes;
    bool failWrites = false;
    QString errorText;
    QString name = QStringLiteral("Test link");

private:
    bool m_open = false;
};

// Switches the language the link texts are made in.
inline void setChinese(bool chinese)
{
    QSettings settings;
    settings.setValue(QStringLiteral("startup/isChinese"), chinese);
    settings.sync();
}
