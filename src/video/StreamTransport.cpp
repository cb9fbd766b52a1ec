#include "video/StreamTransport.h"

#include <QFile>

QString StreamTransport::name(Choice choice)
{
    switch (choice) {
    case Tcp:
        return QStringLiteral("tcp");
    case Udp:
        return QStringLiteral("udp");
    case Auto:
        break;
    }
    return QStringLiteral("auto");
}

StreamTransport::Choice StreamTransport::fromName(const QString &name, bool *ok)
{
    const QString n = name.trimmed().toLower();
    const bool known = n == QLatin1String("auto") || n == QLatin1String("tcp") ||
                       n == QLatin1String("udp") || n.isEmpty();
    if (ok)
        *ok = known && !n.isEmpty();
    if (n == QLatin1String("tcp"))
        return Tcp;
    if (n == QLatin1String("udp"))
        return Udp;
    return Auto;
}

QString StreamTransport::label(Choice choice)
{
    switch (choice) {
    case Tcp:
        return QStringLiteral("TCP");
    case Udp:
        return QStringLiteral("UDP");
    case Auto:
        break;
    }
    return QStringLiteral("Auto");
}

bool StreamTransport::isRtsp(const QString &url)
{
    return url.trimmed().startsWith(QLatin1String("rtsp://"), Qt::CaseInsensitive);
}

QVector<StreamTransport::Choice> StreamTransport::attempts(Choice choice, const QString &url)
{
    if (!isRtsp(url))
        return {choice};
    if (choice == Auto)
        return {Udp, Tcp};
    return {choice};
}

int StreamTransport::systemReceiveBufferLimit()
{
    QFile file(QStringLiteral("/proc/sys/net/core/rmem_max"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const qint64 value = file.readAll().trimmed().toLongLong(&ok);
    return ok && value > 0 ? int(qMin<qint64>(value * 2, 1 << 30)) : 0;
}
