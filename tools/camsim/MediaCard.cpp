#include "camsim/MediaCard.h"

#include "camsim/CardContentCache.h"
#include "camsim/ClipEncoder.h"
#include "camsim/MediaLibraryGenerator.h"
#include "camsim/VideoFileReader.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>

namespace
{

const QStringList PhotoSuffixes = {QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                   QStringLiteral("png"), QStringLiteral("bmp")};
const QStringList VideoSuffixes = {QStringLiteral("mp4"), QStringLiteral("mov"),
                                   QStringLiteral("mkv"), QStringLiteral("avi")};

// A text as a JSON string literal, quotes included.
QByteArray quoted(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

qint64 durationSeconds(qint64 ms)
{
    return (ms + 500) / 1000;
}

// Where `path` stands, or would stand, among entries sorted by device path.
template <typename Entries> auto placeOf(Entries &entries, const QString &path)
{
    return std::lower_bound(
        entries.begin(), entries.end(), path,
        [](const MediaCard::Entry &e, const QString &p) { return e.devicePath < p; });
}

} // namespace

MediaCard::MediaCard(QObject *parent) : QObject(parent) {}

MediaCard::~MediaCard()
{
    waitForRecordings();
}

bool MediaCard::openFolder(const QString &folder, QString *error)
{
    const QFileInfo info(folder);
    if (!info.isDir()) {
        *error = QStringLiteral("--media-dir %1 is not a folder").arg(folder);
        return false;
    }
    m_folder = info.absoluteFilePath();
    m_owned = false;
    scan(m_folder);
    return true;
}

bool MediaCard::generate(QStringList *notes, QString *error, const QString &cacheRoot)
{
    if (!ClipEncoder::available(true))
        *notes << QStringLiteral("no H.265 encoder in this FFmpeg build: H.264 clips only");
    CardContentCache cache(cacheRoot);
    const QString content = cache.folder(notes, error);
    if (content.isEmpty())
        return false;
    m_temp = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                             QStringLiteral("/skyrig-camsim-card-XXXXXX"));
    if (!m_temp->isValid()) {
        *error = QStringLiteral("cannot create a temporary folder for the card: %1")
                     .arg(m_temp->errorString());
        return false;
    }
    if (!MediaLibraryGenerator::layOut(content, m_temp->path(), QDateTime::currentMSecsSinceEpoch(),
                                       error))
        return false;
    m_folder = m_temp->path();
    m_owned = true;
    scan(m_folder);
    return true;
}

void MediaCard::scan(const QString &folder)
{
    m_entries.clear();
    m_thumbnails.clear();
    QDirIterator it(folder, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString suffix = it.fileInfo().suffix().toLower();
        if (it.fileName().startsWith(QLatin1Char('.')) ||
            (!PhotoSuffixes.contains(suffix) && !VideoSuffixes.contains(suffix)))
            continue;
        add(path,
            QLatin1String(DeviceRoot) + QLatin1Char('/') + QDir(folder).relativeFilePath(path));
    }
}

void MediaCard::add(const QString &localPath, const QString &devicePath)
{
    const QFileInfo info(localPath);
    Entry e;
    e.devicePath = devicePath;
    e.localPath = info.absoluteFilePath();
    e.size = info.size();
    e.mtimeMs = info.lastModified().toMSecsSinceEpoch();
    e.video = VideoSuffixes.contains(info.suffix().toLower());
    if (e.video)
        e.durationMs = VideoFileReader::probeDurationMs(localPath);
    const auto at = placeOf(m_entries, devicePath);
    if (at != m_entries.end() && at->devicePath == devicePath)
        *at = e;
    else
        m_entries.insert(at, e);
}

const MediaCard::Entry *MediaCard::find(const QString &devicePath) const
{
    const auto at = placeOf(qAsConst(m_entries), devicePath);
    return at != m_entries.end() && at->devicePath == devicePath ? &*at : nullptr;
}

QByteArray MediaCard::listJson(SimOptions::ListStyle style) const
{
    return listJson(m_entries, style);
}

QByteArray MediaCard::listJson(const QVector<Entry> &entries, SimOptions::ListStyle style)
{
    if (style == SimOptions::ListStyle::Strict) {
        QJsonArray list;
        for (const Entry &e : entries) {
            QJsonObject o;
            o.insert(QStringLiteral("path"), e.devicePath);
            o.insert(QStringLiteral("name"), QFileInfo(e.devicePath).fileName());
            o.insert(QStringLiteral("type"),
                     e.video ? QStringLiteral("video") : QStringLiteral("photo"));
            o.insert(QStringLiteral("filesize"), double(e.size));
            o.insert(QStringLiteral("mtime"), double(e.mtimeMs / 1000));
            if (e.video && e.durationMs >= 0)
                o.insert(QStringLiteral("duration"), double(durationSeconds(e.durationMs)));
            list.append(o);
        }
        return QJsonDocument(list).toJson(QJsonDocument::Compact);
    }
    // As cameras write it: a "JSON" tag, sizes as text, times in milliseconds
    // or in seconds (some as text), numeric type codes, a comma after the last
    // entry, and the C string's terminator with padding behind it.
    QByteArray out("JSON[\n");
    int i = 0;
    for (const Entry &e : entries) {
        out += "{\"path\":" + quoted(e.devicePath) +
               ",\"name\":" + quoted(QFileInfo(e.devicePath).fileName()) +
               ",\"type\":" + QByteArray(e.video ? "2" : "1") + ",\"filesize\":\"" +
               QByteArray::number(e.size) + "\",\"mtime\":";
        if (i % 2 == 0)
            out += QByteArray::number(e.mtimeMs);
        else
            out += '"' + QByteArray::number(e.mtimeMs / 1000) + '"';
        if (e.video && e.durationMs >= 0)
            out += ",\"duration\":" + QByteArray::number(durationSeconds(e.durationMs));
        out += "},\n";
        ++i;
    }
    out += "]";
    out.append(QByteArray(4, '\0'));
    return out;
}

QByteArray MediaCard::thumbnail(const QString &devicePath)
{
    const Entry *e = find(devicePath);
    if (!e)
        return {};
    const auto cached = m_thumbnails.constFind(devicePath);
    if (cached != m_thumbnails.constEnd())
        return cached.value();
    QImage picture;
    if (e->video) {
        picture = VideoFileReader::firstPicture(e->localPath);
    } else {
        QImageReader reader(e->localPath);
        const QSize size = reader.size();
        if (size.isValid())
            reader.setScaledSize(size.scaled(MediaLibraryGenerator::ThumbnailWidth,
                                             MediaLibraryGenerator::ThumbnailHeight,
                                             Qt::KeepAspectRatio));
        picture = reader.read();
    }
    if (picture.isNull())
        picture = MediaLibraryGenerator::placeholder(e->video, int(qHash(devicePath) % 1000));
    const QByteArray jpeg = MediaLibraryGenerator::thumbnailJpeg(picture);
    m_thumbnails.insert(devicePath, jpeg);
    return jpeg;
}

bool MediaCard::remove(const QString &devicePath)
{
    const Entry *e = find(devicePath);
    if (!e)
        return false;
    const bool ownFile =
        m_owned || (m_captureTemp && e->localPath.startsWith(m_captureTemp->path()));
    if (ownFile)
        QFile::remove(e->localPath);
    m_thumbnails.remove(devicePath);
    m_entries.erase(m_entries.begin() + (e - m_entries.constData()));
    return true;
}

QString MediaCard::captureFolder(const QString &sub)
{
    QString root = m_folder;
    if (!m_owned || root.isEmpty()) {
        if (!m_captureTemp)
            m_captureTemp = std::make_unique<QTemporaryDir>(
                QDir::tempPath() + QStringLiteral("/skyrig-camsim-capture-XXXXXX"));
        root = m_captureTemp->path();
    }
    const QString folder = root + QStringLiteral("/DCIM/") + sub;
    QDir().mkpath(folder);
    return folder;
}

QString MediaCard::freeName(const QString &folder, const QString &base, const QString &suffix) const
{
    for (int n = 0;; ++n) {
        const QString name =
            base + (n ? QStringLiteral("_%1").arg(n) : QString()) + QLatin1Char('.') + suffix;
        const QString device = QLatin1String(DeviceRoot) + QStringLiteral("/DCIM/") +
                               QFileInfo(folder).fileName() + QLatin1Char('/') + name;
        if (!QFileInfo::exists(folder + QLatin1Char('/') + name) && !find(device) &&
            !m_pendingNames.contains(device))
            return name;
    }
}

QString MediaCard::addPhoto(qint64 epochMs)
{
    const QString folder = captureFolder(QStringLiteral("PHOTO"));
    const QString name =
        freeName(folder, QStringLiteral("IMG_") + MediaLibraryGenerator::stamp(epochMs),
                 QStringLiteral("jpg"));
    const QString file = folder + QLatin1Char('/') + name;
    QString error;
    if (!MediaLibraryGenerator::writePhoto(file, ++m_captureSeed, QSize(1280, 720), epochMs,
                                           &error)) {
        emit warning(QStringLiteral("Photo not stored: %1").arg(error));
        return {};
    }
    const QString device = QLatin1String(DeviceRoot) + QStringLiteral("/DCIM/PHOTO/") + name;
    add(file, device);
    emit entryAdded(device);
    return device;
}

void MediaCard::addRecording(qint64 epochMs, qint64 durationMs)
{
    const QString folder = captureFolder(QStringLiteral("VIDEO"));
    const QString name =
        freeName(folder, QStringLiteral("VID_") + MediaLibraryGenerator::stamp(epochMs),
                 QStringLiteral("mp4"));
    const QString file = folder + QLatin1Char('/') + name;
    // Encoded under a hidden name, so a scan meanwhile does not list half a file.
    const QString partial = folder + QStringLiteral("/.") + name + QStringLiteral(".part");
    const QString device = QLatin1String(DeviceRoot) + QStringLiteral("/DCIM/VIDEO/") + name;
    m_pendingNames.append(device);
    const int seed = ++m_captureSeed;
    m_workers.emplace_back([this, file, partial, device, seed, durationMs, epochMs] {
        QString error;
        bool ok = MediaLibraryGenerator::writeRecording(partial, seed, durationMs, &error);
        if (ok && !QFile::rename(partial, file)) {
            ok = false;
            error = QStringLiteral("cannot rename %1").arg(partial);
        }
        QMetaObject::invokeMethod(
            this,
            [this, ok, file, partial, device, error, epochMs] {
                m_pendingNames.removeAll(device);
                if (!ok) {
                    QFile::remove(partial);
                    emit warning(QStringLiteral("Recording not stored: %1").arg(error));
                    return;
                }
                MediaLibraryGenerator::setFileTime(file, epochMs);
                add(file, device);
                emit entryAdded(device);
            },
            Qt::QueuedConnection);
    });
}

void MediaCard::waitForRecordings()
{
    for (std::thread &t : m_workers)
        if (t.joinable())
            t.join();
    m_workers.clear();
}
