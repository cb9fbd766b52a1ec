#include "camsim/MediaLibraryGenerator.h"

#include "camsim/ClipEncoder.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <random>
#include <thread>

namespace
{

// Seven-segment digits drawn with rectangles, so burnt-in numbers need no
// font. Segment bits: a b c d e f g from the top clockwise, g in the middle.
void drawDigits(QPainter &p, const QRectF &box, const QString &text, const QColor &colour)
{
    static const int segments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    const double w = box.height() * 0.5;
    const double t = qMax(1.0, box.height() * 0.1);
    double x = box.left();
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (const QChar c : text) {
        if (c == QLatin1Char('.') || c == QLatin1Char(':')) {
            p.drawRect(QRectF(x, box.bottom() - t, t, t));
            if (c == QLatin1Char(':'))
                p.drawRect(QRectF(x, box.top() + box.height() * 0.3, t, t));
            x += t * 2.5;
            continue;
        }
        if (!c.isDigit()) {
            x += w * 0.6;
            continue;
        }
        const int bits = segments[c.digitValue()];
        const double y = box.top(), h = box.height();
        const QRectF seg[7] = {
            {x, y, w, t},                     // a
            {x + w - t, y, t, h / 2},         // b
            {x + w - t, y + h / 2, t, h / 2}, // c
            {x, y + h - t, w, t},             // d
            {x, y + h / 2, t, h / 2},         // e
            {x, y, t, h / 2},                 // f
            {x, y + (h - t) / 2, w, t},       // g
        };
        for (int i = 0; i < 7; ++i)
            if (bits & (1 << i))
                p.drawRect(seg[i]);
        x += w + t * 1.5;
    }
    p.restore();
}

QColor hsv(std::mt19937 &rng, int hueFrom, int hueTo, int sat, int val)
{
    return QColor::fromHsv(hueFrom + int(rng() % quint32(hueTo - hueFrom + 1)), sat, val);
}

bool writeJpeg(const QImage &image, const QString &file, int quality, QString *error)
{
    QImageWriter writer(file, "jpg");
    writer.setQuality(quality);
    if (!writer.write(image)) {
        *error = QStringLiteral("cannot write %1: %2").arg(file, writer.errorString());
        return false;
    }
    return true;
}

// The clips of a generated card, in the order they are numbered.
struct ClipKind {
    bool h265;
    QSize size;
    int seconds;
};
const ClipKind Clips[MediaLibraryGenerator::ClipCount] = {{false, {320, 180}, 3},
                                                          {false, {640, 360}, 3},
                                                          {false, {480, 270}, 4},
                                                          {true, {320, 180}, 3},
                                                          {true, {480, 270}, 2}};
const QSize PhotoSizes[] = {{1920, 1080}, {1280, 720}, {2560, 1440},
                            {1024, 768},  {640, 480},  {1600, 1200}};

// Names of the content files, before the card gives them dated names.
QString photoContent(int i)
{
    return QStringLiteral("photo-%1.jpg").arg(i + 1, 2, 10, QLatin1Char('0'));
}

QString clipContent(int index)
{
    return QStringLiteral("clip-%1.mp4").arg(index);
}

} // namespace

void MediaLibraryGenerator::setFileTime(const QString &file, qint64 epochMs)
{
    QFile f(file);
    if (f.open(QIODevice::ReadWrite))
        f.setFileTime(QDateTime::fromMSecsSinceEpoch(epochMs), QFileDevice::FileModificationTime);
}

QString MediaLibraryGenerator::stamp(qint64 epochMs)
{
    return QDateTime::fromMSecsSinceEpoch(epochMs).toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

bool MediaLibraryGenerator::writeClip(const QString &file, const ClipEncoder::Settings &s, int seed,
                                      QString *error)
{
    return ClipEncoder::encode(
        file, s,
        [seed, &s](int i) { return drawClipFrame(seed, s.size, qint64(i) * 1000 / s.fps); }, error);
}

QImage MediaLibraryGenerator::drawPhoto(int seed, const QSize &size)
{
    std::mt19937 rng(quint32(seed) * 2654435761u + 17u);
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width(), h = size.height();
    const bool night = seed % 7 == 3;
    QLinearGradient sky(0, 0, 0, h * 0.7);
    sky.setColorAt(0, night ? QColor(10, 12, 40) : hsv(rng, 190, 225, 160, 235));
    sky.setColorAt(1, night ? QColor(40, 30, 80) : hsv(rng, 20, 60, 90, 250));
    p.fillRect(image.rect(), sky);
    // Sun or moon.
    p.setPen(Qt::NoPen);
    p.setBrush(night ? QColor(235, 235, 210) : QColor(255, 220, 120));
    const double r = h * (0.05 + 0.04 * (rng() % 100) / 100.0);
    p.drawEllipse(QPointF(w * (0.15 + 0.7 * (rng() % 100) / 100.0), h * 0.18), r, r);
    // Ranges of hills, farther ones paler.
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath hills;
        const double base = h * (0.45 + 0.12 * layer);
        hills.moveTo(0, h);
        hills.lineTo(0, base);
        const int peaks = 3 + int(rng() % 5);
        for (int i = 1; i <= peaks; ++i) {
            const double x = w * i / peaks;
            const double y = base - h * 0.2 * (rng() % 100) / 100.0;
            hills.quadTo(x - w / peaks / 2, y, x, base - h * 0.05 * (rng() % 100) / 100.0);
        }
        hills.lineTo(w, h);
        hills.closeSubpath();
        p.setBrush(night ? QColor(20 + 15 * layer, 30 + 15 * layer, 40 + 10 * layer)
                         : hsv(rng, 80, 140, 120 + 40 * layer, 170 - 35 * layer));
        p.drawPath(hills);
    }
    // Houses and trees along the bottom.
    const int things = 4 + int(rng() % 10);
    for (int i = 0; i < things; ++i) {
        const double x = w * (rng() % 1000) / 1000.0;
        const double s = h * (0.04 + 0.08 * (rng() % 100) / 100.0);
        const double y = h * (0.8 + 0.15 * (rng() % 100) / 100.0);
        if (rng() % 2) {
            p.setBrush(hsv(rng, 0, 40, 150, 200));
            p.drawRect(QRectF(x, y - s, s * 1.3, s));
            p.setBrush(QColor(120, 40, 30));
            const QPointF roof[3] = {
                {x - s * 0.1, y - s}, {x + s * 0.65, y - s * 1.6}, {x + s * 1.4, y - s}};
            p.drawPolygon(roof, 3);
        } else {
            p.setBrush(QColor(90, 60, 30));
            p.drawRect(QRectF(x, y - s * 0.6, s * 0.15, s * 0.6));
            p.setBrush(hsv(rng, 90, 130, 200, 110));
            p.drawEllipse(QPointF(x + s * 0.07, y - s * 0.9), s * 0.4, s * 0.5);
        }
    }
    drawDigits(p, QRectF(w * 0.03, h * 0.04, 0, h * 0.08), QString::number(seed),
               QColor(255, 255, 255));
    return image;
}

QImage MediaLibraryGenerator::drawClipFrame(int seed, const QSize &size, qint64 timeMs)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    const double w = size.width(), h = size.height();
    const double t = timeMs / 1000.0;
    QLinearGradient ground(0, 0, w, h);
    ground.setColorAt(0, QColor::fromHsv((seed * 47) % 360, 120, 90));
    ground.setColorAt(1, QColor::fromHsv((seed * 47 + 60) % 360, 160, 50));
    p.fillRect(image.rect(), ground);
    p.setPen(Qt::NoPen);
    // A ball crossing the picture and a turning bar: motion for the encoder.
    p.setBrush(QColor::fromHsv((seed * 91) % 360, 220, 250));
    const double x = std::fmod(t * w * 0.3, w + h * 0.3) - h * 0.15;
    p.drawEllipse(QPointF(x, h * (0.5 + 0.25 * std::sin(t * 2.0))), h * 0.15, h * 0.15);
    p.save();
    p.translate(w * 0.75, h * 0.3);
    p.rotate(t * 90.0);
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(-h * 0.2, -h * 0.02, h * 0.4, h * 0.04));
    p.restore();
    // Time in seconds with tenths, and the clip number.
    drawDigits(p, QRectF(w * 0.04, h * 0.78, 0, h * 0.14), QString::number(timeMs / 1000.0, 'f', 1),
               QColor(255, 255, 0));
    drawDigits(p, QRectF(w * 0.04, h * 0.05, 0, h * 0.1), QString::number(seed),
               QColor(255, 255, 255));
    return image;
}

QByteArray MediaLibraryGenerator::thumbnailJpeg(const QImage &image)
{
    const QImage small = image.scaled(ThumbnailWidth, ThumbnailHeight, Qt::KeepAspectRatio,
                                      Qt::SmoothTransformation);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(80);
    writer.write(small);
    return out;
}

QImage MediaLibraryGenerator::placeholder(bool video, int seed)
{
    QImage image(ThumbnailWidth, ThumbnailHeight, QImage::Format_RGB32);
    image.fill(video ? QColor(30, 30, 45) : QColor(60, 60, 60));
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    if (video) {
        const QPointF play[3] = {{130, 60}, {130, 120}, {185, 90}};
        p.drawPolygon(play, 3);
    } else {
        p.drawRect(QRectF(110, 55, 100, 70));
    }
    drawDigits(p, QRectF(10, 10, 0, 20), QString::number(seed), QColor(255, 255, 255));
    return image;
}

bool MediaLibraryGenerator::writePhoto(const QString &file, int seed, const QSize &size,
                                       qint64 epochMs, QString *error)
{
    if (!writeJpeg(drawPhoto(seed, size), file, 85, error))
        return false;
    setFileTime(file, epochMs);
    return true;
}

bool MediaLibraryGenerator::writeRecording(const QString &file, int seed, qint64 durationMs,
                                           QString *error)
{
    ClipEncoder::Settings s;
    s.size = QSize(320, 180);
    s.fps = 10;
    s.frameCount = int(qBound<qint64>(1, qMin(durationMs, MaxRecordingMs) * s.fps / 1000,
                                      MaxRecordingMs * s.fps / 1000));
    s.bitrateKbps = 300;
    return writeClip(file, s, seed, error);
}

int MediaLibraryGenerator::expectedCount()
{
    return PhotoCount + (ClipEncoder::available(true) ? ClipCount : ClipCount - H265ClipCount);
}

QString MediaLibraryGenerator::contentKey()
{
    return QStringLiteral("v%1-%2")
        .arg(ContentVersion)
        .arg(ClipEncoder::available(true) ? QStringLiteral("h264-h265") : QStringLiteral("h264"));
}

void MediaLibraryGenerator::makeClips(const QString &folder, Result *result)
{
    const bool h265 = ClipEncoder::available(true);
    for (int index = 1; index <= ClipCount; ++index) {
        const ClipKind &c = Clips[index - 1];
        if (c.h265 && !h265)
            continue;
        const QString file = folder + QLatin1Char('/') + clipContent(index);
        ClipEncoder::Settings s;
        s.h265 = c.h265;
        s.size = c.size;
        s.fps = 25;
        s.frameCount = c.seconds * s.fps;
        s.bitrateKbps = c.size.width() > 400 ? 800 : 400;
        QString clipError;
        if (!writeClip(file, s, 100 + index, &clipError)) {
            QFile::remove(file);
            result->notes << QStringLiteral("clip %1 not made: %2").arg(index).arg(clipError);
            continue;
        }
        ++result->clips;
    }
}

bool MediaLibraryGenerator::makePhotos(const QString &folder, int *made, QString *error)
{
    for (int i = 0; i < PhotoCount; ++i) {
        const QSize size = PhotoSizes[i % int(sizeof PhotoSizes / sizeof PhotoSizes[0])];
        if (!writeJpeg(drawPhoto(i + 1, size), folder + QLatin1Char('/') + photoContent(i), 85,
                       error))
            return false;
        ++*made;
    }
    return true;
}

bool MediaLibraryGenerator::makeContent(const QString &folder, Result *result, QString *error)
{
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    // Clips on a second thread while the photos are drawn: two cores, half
    // the wait.
    Result clips;
    std::thread encoder([&clips, folder] { makeClips(folder, &clips); });
    const bool photosOk = makePhotos(folder, &result->photos, error);
    encoder.join();
    result->clips = clips.clips;
    result->notes += clips.notes;
    return photosOk;
}

bool MediaLibraryGenerator::layOut(const QString &content, const QString &card, qint64 nowMs,
                                   QString *error)
{
    const QString photoDir = card + QStringLiteral("/DCIM/PHOTO");
    const QString videoDir = card + QStringLiteral("/DCIM/VIDEO");
    if (!QDir().mkpath(photoDir) || !QDir().mkpath(videoDir)) {
        *error = QStringLiteral("cannot create folders in %1").arg(card);
        return false;
    }
    const auto place = [&content, error](const QString &from, const QString &to, qint64 when) {
        const QString source = content + QLatin1Char('/') + from;
        if (!QFileInfo::exists(source))
            return true; // not made: the card goes without it
        if (!QFile::copy(source, to)) {
            *error = QStringLiteral("cannot copy %1 to %2").arg(source, to);
            return false;
        }
        setFileTime(to, when);
        return true;
    };
    // A month of flights, the newest a day ago; minute precision is enough.
    const qint64 now = nowMs / 60000 * 60000;
    const qint64 first = now - qint64(30) * 24 * 3600 * 1000;
    qint64 at = first;
    for (int i = 0; i < PhotoCount; ++i) {
        // Photo 21 is the second of a burst: the same second as the one before,
        // so the two list with equal times.
        if (i != 21)
            at += qint64(10 + (i * 37) % 1100) * 60000 + (i * 13 % 60) * 1000;
        const QString suffix = i % 4 == 1 ? QStringLiteral(".JPG") : QStringLiteral(".jpg");
        const QString name =
            QStringLiteral("IMG_%1%2%3")
                .arg(stamp(at), i == 21 ? QStringLiteral("_1") : QString(), suffix);
        if (!place(photoContent(i), photoDir + QLatin1Char('/') + name, at))
            return false;
    }
    for (int index = 1; index <= ClipCount; ++index) {
        const qint64 when = first + qint64(index) * 5 * 24 * 3600 * 1000 + index * 61000;
        // The codec in the name for whoever looks at the card; H.265 clips
        // carry the upper-case suffix some cameras write.
        const QString name =
            QStringLiteral("VID_%1%2")
                .arg(stamp(when), Clips[index - 1].h265 ? QStringLiteral("_H265.MP4")
                                                        : QStringLiteral("_H264.mp4"));
        if (!place(clipContent(index), videoDir + QLatin1Char('/') + name, when))
            return false;
    }
    return true;
}
