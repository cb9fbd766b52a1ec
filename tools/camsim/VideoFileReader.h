#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>

// Reads the video of a stored clip as the camera streams it: one access unit
// at a time in decoding order, in Annex B form (start codes, parameter sets
// in front of every key frame), with its presentation time. H.264 and H.265
// only, the codecs the camera records.
class VideoFileReader
{
public:
    struct AccessUnit {
        QByteArray annexB;
        qint64 ptsMs = 0;
        bool key = false;
    };

    VideoFileReader();
    ~VideoFileReader();
    VideoFileReader(const VideoFileReader &) = delete;
    VideoFileReader &operator=(const VideoFileReader &) = delete;

    bool open(const QString &file, QString *error);
    void close();
    bool isOpen() const;
    bool isH265() const;
    qint64 durationMs() const;

    // Positions the reader on the key frame at or before `ms`.
    bool seek(qint64 ms);
    // The next access unit; false at the end of the file or on a read error.
    bool read(AccessUnit *out);

    // Length of the clip in milliseconds; -1 when it holds no H.264 or H.265
    // video.
    static qint64 probeDurationMs(const QString &file);
    // The first picture of the clip, decoded; null on failure.
    static QImage firstPicture(const QString &file);

private:
    struct State;
    std::unique_ptr<State> d;
};
