#pragma once

#include <QHostAddress>
#include <QString>

// The simulator's network safety rule: without --allow-remote it listens on,
// answers and sends to loopback addresses only. Header-only, so the RTSP
// server can be built into other programs on its own.
class LoopbackRule
{
public:
    // True for 127.0.0.0/8 and ::1, also as IPv4-mapped addresses (the form
    // an IPv4 peer of a dual-stack socket comes in).
    static bool isLoopback(const QHostAddress &address)
    {
        bool isV4 = false;
        const quint32 v4 = address.toIPv4Address(&isV4);
        return isV4 ? QHostAddress(v4).isLoopback() : address.isLoopback();
    }

    // The same for an address in text, "localhost" included.
    static bool isLoopback(const QString &address)
    {
        const QString trimmed = address.trimmed();
        if (trimmed.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
            return true;
        QHostAddress host;
        return host.setAddress(trimmed) && isLoopback(host);
    }
};
