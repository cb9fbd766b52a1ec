#pragma once

#include "camsim/ClipEncoder.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

// Makes the content of a simulated memory card: landscape photos drawn from a
// seed (each one different, in several sizes), short clips of moving shapes
// with their time burnt in, and the small JPEG thumbnails the camera serves.
// Drawing uses only shapes, so it works in a process without a display.
class MediaLibraryGenerator
{
public:
    static constexpr int PhotoCount = 36;
    static constexpr int ClipCount = 5;
    static constexpr int H265ClipCount = 2;
    static constexpr int ThumbnailWidth = 320;
    static constexpr int ThumbnailHeight = 180;

    struct Result {
        int photos = 0;
        int clips = 0;
        QStringList notes; // for example that no H.265 encoder is present
    };

    // The files fill() makes when every encoder is there.
    static int expectedCount();

    // Fills `folder` with DCIM/PHOTO and DCIM/VIDEO. Returns false with a
    // readable `error` when nothing usable could be written.
    static bool fill(const QString &folder, Result *result, QString *error);

    // A photo taken at `epochMs`; writes it to `file` as JPEG.
    static bool writePhoto(const QString &file, int seed, const QSize &size, qint64 epochMs,
                           QString *error);
    // A recording of `durationMs` (at most MaxRecordingMs of pictures are
    // made); H.264, small and at a low frame rate so it is quick to encode.
    static bool writeRecording(const QString &file, int seed, qint64 durationMs, QString *error);
    static constexpr qint64 MaxRecordingMs = 120000;

    // A clip of moving shapes with its time burnt in (drawClipFrame).
    static bool writeClip(const QString &file, const ClipEncoder::Settings &settings, int seed,
                          QString *error);

    static QImage drawPhoto(int seed, const QSize &size);
    static QImage drawClipFrame(int seed, const QSize &size, qint64 timeMs);
    // A JPEG of `image` fitted into the thumbnail size.
    static QByteArray thumbnailJpeg(const QImage &image);
    // A stand-in thumbnail for a file whose picture cannot be read.
    static QImage placeholder(bool video, int seed);

    // "yyyyMMdd_HHmmss" of a moment, as cameras name their files.
    static QString stamp(qint64 epochMs);
    static void setFileTime(const QString &file, qint64 epochMs);

private:
    static bool makePhotos(const QString &photoDir, qint64 first, int *made, QString *error);
    static void makeClips(const QString &videoDir, qint64 first, Result *result);
};
