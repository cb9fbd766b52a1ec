#pragma once

#include "video/TelemetrySample.h"

#include <QFile>
#include <QString>

// The telemetry files beside one recorded video file: NAME.srt, subtitles
// any player shows (a cue every CueMs with time of day, angles, zoom, range
// and the infrared measurement when shown), and NAME.csv, a table for
// analysis with the same fields and the device's status values, a row every
// rowMs. Both are timed from the video's own time line, zero at its first
// picture, and each line reaches the disk as it is written, so a program
// that is killed leaves them as complete as its video.
class TelemetryWriter
{
public:
    static constexpr int CueMs = 500;

    // NAME.srt and NAME.csv for `videoPath` (its suffix replaced). False
    // when either cannot be created (then neither is written).
    bool open(const QString &videoPath, bool chinese, int rowMs);
    bool isOpen() const { return m_srt.isOpen(); }
    // A sample taken `ms` after the video's first picture: a table row for
    // every rowMs step and a cue for every CueMs step begun since the last
    // one, so a late timer on a busy machine leaves no gap in either.
    void add(const TelemetrySample &sample, qint64 ms);
    void close();

    int cues() const { return m_cues; }
    int rows() const { return m_rows; }
    static QString srtPathFor(const QString &videoPath);
    static QString csvPathFor(const QString &videoPath);
    // "HH:MM:SS,mmm", the subtitle time form.
    static QString cueTime(qint64 ms);

private:
    QFile m_srt;
    QFile m_csv;
    bool m_chinese = false;
    int m_rowMs = 1; // set by open()
    int m_cues = 0;
    int m_rows = 0;
};
