#pragma once

#include "camsim/SimOptions.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>
#include <thread>
#include <vector>

class QTemporaryDir;

// The camera's memory card: real files, each known by its path on the device
// ("/sdcard/DCIM/PHOTO/IMG_20240601_101500.jpg"), with size, time, the
// length of videos and a thumbnail made on first request.
//
// The card is either a folder of the user's (served read-only: a delete only
// hides a file for the run) or a generated one in a temporary folder that goes
// away with the card, laid out from content made once and kept in the user's
// cache folder (CardContentCache). Photos and recordings the camera takes are real files
// too, written to the generated folder or, for a user's folder, to a
// temporary folder of their own.
class MediaCard : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *DeviceRoot = "/sdcard";

    struct Entry {
        QString devicePath;
        QString localPath;
        qint64 size = 0;
        qint64 mtimeMs = 0;     // modification time, ms since 1970
        qint64 durationMs = -1; // videos the camera can play; -1 otherwise
        bool video = false;
    };

    explicit MediaCard(QObject *parent = nullptr);
    ~MediaCard() override;

    // Serves the media files below `folder`.
    bool openFolder(const QString &folder, QString *error);
    // Creates and serves a generated card, complete when this returns: its
    // content is kept below `cacheRoot` (empty: the user's cache folder) and
    // made there first when missing, which takes seconds, so the album never
    // waits for drawing or encoding. `notes` tells what was made and what is
    // missing (H.265 clips without an H.265 encoder).
    bool generate(QStringList *notes, QString *error, const QString &cacheRoot = QString());

    QString folder() const { return m_folder; }
    int count() const { return m_entries.size(); }
    const Entry *find(const QString &devicePath) const;

    // The list the camera sends when asked for it (see the README for the
    // two styles).
    QByteArray listJson(SimOptions::ListStyle style) const;
    static QByteArray listJson(const QVector<Entry> &entries, SimOptions::ListStyle style);
    // The JPEG thumbnail of a file; empty when there is no such file.
    QByteArray thumbnail(const QString &devicePath);
    bool remove(const QString &devicePath);

    // Capture: a photo is written at once; a recording is encoded in the
    // background and appears when it is done (entryAdded).
    QString addPhoto(qint64 epochMs);
    void addRecording(qint64 epochMs, qint64 durationMs);
    // Waits for recordings still being encoded.
    void waitForRecordings();

signals:
    void entryAdded(const QString &devicePath);
    void warning(const QString &text);

private:
    void scan(const QString &folder);
    void add(const QString &localPath, const QString &devicePath);
    QString captureFolder(const QString &sub);
    QString freeName(const QString &folder, const QString &base, const QString &suffix) const;

    QString m_folder;
    bool m_owned = false; // the files may be changed (a generated card)
    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<QTemporaryDir> m_captureTemp;
    QVector<Entry> m_entries; // sorted by device path
    QHash<QString, QByteArray> m_thumbnails;
    QStringList m_pendingNames;
    std::vector<std::thread> m_workers;
    int m_captureSeed = 1000;
};
