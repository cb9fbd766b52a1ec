#pragma once

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>

namespace logtest
{

// Every line of a log file, time-stamp prefix checked and removed. A line
// without a well-formed prefix is returned as "<bad> ..." so it fails loudly.
inline QStringList bodies(const QString &path)
{
    static const QRegularExpression prefix(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}  (.*)$"));
    QFile file(path);
    QStringList out;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return out;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.isEmpty())
            continue;
        const QRegularExpressionMatch m = prefix.match(line);
        out << (m.hasMatch() ? m.captured(1) : QStringLiteral("<bad> ") + line);
    }
    return out;
}

inline void resetSettings()
{
    QSettings settings;
    settings.remove(QStringLiteral("log/rawCapture"));
    settings.setValue(QStringLiteral("startup/isChinese"), false);
}

inline void setChinese(bool chinese)
{
    QSettings().setValue(QStringLiteral("startup/isChinese"), chinese);
}

// A file named like a log with the given size (sparse) and modification time.
inline bool makeLog(const QString &path, qint64 size, const QDateTime &modified)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (!file.resize(size))
        return false;
    file.close();
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const bool ok = file.setFileTime(modified, QFileDevice::FileModificationTime);
    file.close();
    return ok;
}

} // namespace logtest
