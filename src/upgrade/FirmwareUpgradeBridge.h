#pragma once

#include "link/BilingualText.h"
#include "link/FrameCodec.h"
#include "upgrade/Md5Hasher.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class GimbalController;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// Upgrades a camera's firmware over its HTTP service: checks the package name
// against the product's rule, computes the package's MD5 off the interface
// thread, uploads the package as a multipart form streamed from disk, then
// asks the camera to start the upgrade. Every attempt that ends, however it
// ends, emits exactly one finished(ok, message). After an accepted start the
// status follows the camera over its control link: restarting (it fell
// silent), back, and the version it then reports. The status is kept in both
// languages and follows a language switch.
class FirmwareUpgradeBridge : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(int progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString filePath READ filePath NOTIFY filePathChanged)
    Q_PROPERTY(QString fileName READ fileName NOTIFY filePathChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    // The last attempt failed (or the camera did not come back after it): the
    // progress shown is not how close the upgrade came to done.
    Q_PROPERTY(bool failed READ failed NOTIFY failedChanged)
public:
    static constexpr int DefaultPort = 8088;

    // How long each request may take before the attempt fails; each timer
    // belongs to its reply, so a finished or aborted request cannot fire it.
    struct Timeouts {
        int uploadMs = 1800000;
        int startMs = 60000;
        // After an accepted start: the camera counts as restarting once its
        // link has been silent this long, is asked for its version this
        // often once it is back, and is given up on after this long.
        int silenceMs = 2000;
        int versionPollMs = 1000;
        int returnMs = 600000;
    };

    // Shows an open-file dialog; returns the chosen path or an empty string.
    using FileChooser =
        std::function<QString(const QString &title, const QString &filter, const QString &folder)>;

    explicit FirmwareUpgradeBridge(QObject *parent = nullptr);
    ~FirmwareUpgradeBridge() override;

    bool busy() const { return m_stage != Stage::Idle; }
    int progress() const { return m_progress; }
    QString filePath() const { return m_filePath; }
    QString fileName() const;
    QString statusMessage() const { return m_status.text(); }
    bool failed() const { return m_failed; }
    // The package's MD5 once an attempt computed it; empty before.
    QString md5() const { return m_md5; }

    void setTimeouts(const Timeouts &timeouts) { m_timeouts = timeouts; }
    // The camera's HTTP port; only tests talk to another one.
    void setPort(int port) { m_port = port; }
    void setFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    // The camera's control link, whose frames tell when the camera restarts
    // and comes back after an accepted start.
    void setCamera(GimbalController *controller);

    // Opens the file dialog and hands the chosen path to setFirmwareFile.
    // Returns the resulting filePath (empty when the name was refused).
    Q_INVOKABLE QString pickFirmwareFile(const QString &modelId = QString());
    // Takes `path` as the package for `modelId` when its name fits the
    // product's rule; the same checks as after the dialog, without one.
    Q_INVOKABLE QString setFirmwareFile(const QString &path, const QString &modelId = QString());
    Q_INVOKABLE void clearFile();
    Q_INVOKABLE void startUpgrade(const QString &hostIp, const QString &modelId = QString());
    Q_INVOKABLE void cancel();

    // An IPv4 address in dotted decimal or a host name; nothing else (no
    // port, no scheme, no path) is a camera address.
    static bool isValidHost(const QString &host);

signals:
    void busyChanged();
    void progressChanged();
    void filePathChanged();
    void statusMessageChanged();
    void failedChanged();
    void finished(bool ok, const QString &message);

private:
    enum class Stage { Idle, Hashing, Uploading, Starting };
    // The camera after an accepted start.
    enum class Restart { None, Awaited, Rebooting, Back };

    void onHashed(Md5Hasher::Result result, const QString &md5);
    void upload();
    void onUploadFinished(QNetworkReply *reply);
    void requestStart();
    void onStartFinished(QNetworkReply *reply);
    QNetworkRequest requestFor(const char *path) const;
    // Makes `reply` the current request: its end goes to `onFinished`, and
    // after `timeoutMs` without an end the attempt fails with `timeoutText`.
    void follow(QNetworkReply *reply, int timeoutMs, const BilingualText &timeoutText,
                void (FirmwareUpgradeBridge::*onFinished)(QNetworkReply *));
    // Fails the attempt when the exchange itself broke down.
    bool exchangeFailed(QNetworkReply *reply, const QString &english, const QString &chinese);

    void fail(const BilingualText &message);
    void succeed(const BilingualText &message);
    void abortCurrent();
    void setStage(Stage stage);
    void setProgress(int progress);
    void setStatus(const BilingualText &text);
    void setFailed(bool failed);
    BilingualText nameRefusal(const QString &modelId) const;

    void followRestart();
    void stopFollowing();
    void onCameraFrame(const ParsedFrame &frame);
    void onFollowTick();

    QNetworkAccessManager *m_network = nullptr;
    Md5Hasher *m_hasher = nullptr;
    QPointer<QNetworkReply> m_reply;

    Stage m_stage = Stage::Idle;
    int m_progress = 0;
    QString m_filePath;
    BilingualText m_status;
    bool m_failed = false;
    QString m_md5;
    QString m_host;
    int m_port = DefaultPort;
    Timeouts m_timeouts;
    FileChooser m_chooser;

    QPointer<GimbalController> m_camera;
    QMetaObject::Connection m_frames;
    QTimer m_followTimer;
    Restart m_restart = Restart::None;
    QString m_versionBefore;
    QElapsedTimer m_sinceFrame; // since the camera's last frame
    QElapsedTimer m_sinceStart; // since the accepted start
    QElapsedTimer m_sinceAsked; // since the version was last asked for
};
