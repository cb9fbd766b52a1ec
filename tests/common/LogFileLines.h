#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

// Every line of a log file with its time-stamp prefix checked and removed; a
// line without a well-formed prefix comes back as "<bad> ..." so it fails loudly.
inline QStringList logFileLines(const QString &path)
{
    static const QRegularExpression prefix(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}  (.*)$"));
    QFile file(path);
    QStringList out;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return out;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.isEmpty())
            continue;
        const QRegularExpressionMatch m = prefix.match(line);
        out << (m.hasMatch() ? m.captured(1) : QStringLiteral("<bad> ") + line);
    }
    return out;
}
