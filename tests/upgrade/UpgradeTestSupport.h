#pragma once

// Shared by the upgrade tests: packages on disk and the simulator's HTTP
// upgrade service run inside the test process on a free loopback port.

#include "camsim/HttpServer.h"
#include "upgrade/FirmwareUpgradeBridge.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSettings>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(HttpServer::Faults)

namespace upgrade_test
{

inline void useChinese(bool chinese)
{
    QSettings().setValue(QStringLiteral("startup/isChinese"), chinese);
}

// A package of `size` bytes that differ from block to block, so a part sent
// twice or out of order changes the digest.
inline bool writePackage(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(65536, '\0');
    for (qint64 written = 0, n = 0; written < size; written += block.size(), ++n) {
        for (int i = 0; i < block.size(); i += 4)
            block[i] = char((n * 31 + i / 4) & 0xFF);
        if (file.write(block.constData(), qMin<qint64>(block.size(), size - written)) < 0)
            return false;
    }
    return true;
}

inline QString md5Of(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

// The camera's upgrade service for `model`, listening on a free port.
inline std::unique_ptr<HttpServer> startCamera(const HttpServer::Faults &faults = {},
                                               const QString &model = QStringLiteral("Heron"))
{
    auto server = std::make_unique<HttpServer>(QStringLiteral("127.0.0.1"), model, false, faults);
    QString error;
    if (!server->start(0, &error)) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    return server;
}

// Every progress value a bridge went through, and whether it ever went back.
class ProgressLog : public QObject
{
public:
    explicit ProgressLog(FirmwareUpgradeBridge *bridge)
    {
        connect(bridge, &FirmwareUpgradeBridge::progressChanged, this, [this, bridge] {
            monotonic = monotonic && (values.isEmpty() || bridge->progress() >= values.last());
            values.append(bridge->progress());
        });
    }
    QVector<int> values;
    bool monotonic = true;
};

} // namespace upgrade_test
