#include "video/TelemetryWriter.h"

#include <QDir>
#include <QFileInfo>

namespace
{

QString besideVideo(const QString &videoPath, const char *suffix)
{
    const QFileInfo info(videoPath);
    return info.dir().filePath(info.completeBaseName() + QLatin1String(suffix));
}

} // namespace

QString TelemetryWriter::srtPathFor(const QString &videoPath)
{
    return besideVideo(videoPath, ".srt");
}

QString TelemetryWriter::csvPathFor(const QString &videoPath)
{
    return besideVideo(videoPath, ".csv");
}

QString TelemetryWriter::cueTime(qint64 ms)
{
    return QStringLiteral("%1:%2:%3,%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

bool TelemetryWriter::open(const QString &videoPath, bool chinese)
{
    close();
    m_chinese = chinese;
    m_cues = 0;
    m_rows = 0;
    m_srt.setFileName(srtPathFor(videoPath));
    m_csv.setFileName(csvPathFor(videoPath));
    // Unbuffered: every line goes to the system as it is written.
    const auto mode = QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
    if (!m_srt.open(mode) || !m_csv.open(mode)) {
        close();
        return false;
    }
    // The byte order mark tells players the cues are UTF-8 (Chinese texts).
    m_srt.write("\xEF\xBB\xBF");
    m_csv.write((TelemetrySample::csvHeader() + QLatin1Char('\n')).toUtf8());
    return true;
}

void TelemetryWriter::add(const TelemetrySample &sample, qint64 ms)
{
    if (!isOpen())
        return;
    m_csv.write((sample.csvRow(ms) + QLatin1Char('\n')).toUtf8());
    ++m_rows;
    // A late sample fills every step it missed, so the cues always cover
    // the video's whole length.
    while (qint64(m_cues) * CueMs <= ms) {
        const qint64 start = qint64(m_cues) * CueMs;
        ++m_cues;
        const QString cue =
            QStringLiteral("%1\n%2 --> %3\n%4\n\n")
                .arg(m_cues)
                .arg(cueTime(start), cueTime(start + CueMs), sample.cueText(m_chinese));
        m_srt.write(cue.toUtf8());
    }
}

void TelemetryWriter::close()
{
    m_srt.close();
    m_csv.close();
}
