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

    // The files a card has when every encoder is there.
    static int expectedCount();

    // Raise whenever the content changes (drawing, sizes, encoder settings):
    // content kept from an older version is then made afresh.
    static constexpr int ContentVersion = 1;
    // Names what shapes the content: the version and the encoders at hand.
    static QString contentKey();

    // The card's pictures and clips, made into `folder` under plain names
    // (the slow part: drawing and encoding). Returns false with a readable
    // `error` when no usable set of photos could be written.
    static bool makeContent(const QString &folder, Result *result, QString *error);
    // Lays a card out in `card` from `content`: DCIM/PHOTO and DCIM/VIDEO
    // with the files named and dated as a camera would have taken them over
    // the month before `nowMs`. Content files that were not made are left out.
    static bool layOut(const QString &content, const QString &card, qint64 nowMs, QString *error);

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
    static bool makePhotos(const QString &folder, int *made, QString *error);
    static void makeClips(const QString &folder, Result *result);
};
