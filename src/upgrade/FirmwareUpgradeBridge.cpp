#include "upgrade/FirmwareUpgradeBridge.h"

#include "catalog/FirmwareNameRules.h"
#include "commands/GimbalController.h"
#include "link/CommandCode.h"
#include "link/FreedMemory.h"
#include "link/Language.h"
#include "link/TransportManager.h"
#include "state/GimbalState.h"
#include "upgrade/UpgradeStartReply.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace
{

const char *const UploadPath = "/v1/camera/NetWork/GetPackage";
const char *const StartPath = "/v1/camera/NetWork/StartUpgrade";

// A text in both languages, so that the status follows a language switch.
BilingualText both(const char *english, const char *chinese)
{
    return BilingualText{QString::fromUtf8(english), QString::fromUtf8(chinese)};
}

BilingualText withArg(const BilingualText &text, const QString &value)
{
    return BilingualText{text.english.arg(value), text.chinese.arg(value)};
}

BilingualText selectPackageText()
{
    return both("Select an upgrade package", "请选择升级包");
}

BilingualText cannotOpenText()
{
    return both("Cannot open upgrade package", "无法打开升级包文件");
}

// How often the camera is looked at while it restarts.
constexpr int FollowTickMs = 100;

// The platform's open-file dialog, without a parent window; nothing can be
// shown without a widgets application (the headless front end has none).
QString showOpenDialog(const QString &title, const QString &filter, const QString &folder)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return QString();
    return QFileDialog::getOpenFileName(nullptr, title, folder, filter);
}

int httpStatusOf(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace

FirmwareUpgradeBridge::FirmwareUpgradeBridge(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_hasher(new Md5Hasher(this)),
      m_status(selectPackageText()), m_chooser(showOpenDialog)
{
    // The camera sits on the operator's own network: a proxy from the
    // environment must never stand between them.
    m_network->setProxy(QNetworkProxy::NoProxy);
    connect(m_hasher, &Md5Hasher::finished, this, &FirmwareUpgradeBridge::onHashed);
    connect(&m_followTimer, &QTimer::timeout, this, &FirmwareUpgradeBridge::onFollowTick);
    // The status on screen follows a language switch, also one made before.
    connect(Language::instance(), &Language::changed, this,
            &FirmwareUpgradeBridge::statusMessageChanged);
}

FirmwareUpgradeBridge::~FirmwareUpgradeBridge()
{
    stopFollowing();
    abortCurrent();
}

void FirmwareUpgradeBridge::setCamera(GimbalController *controller)
{
    m_camera = controller;
}

QString FirmwareUpgradeBridge::fileName() const
{
    return m_filePath.isEmpty() ? QString() : QFileInfo(m_filePath).fileName();
}

bool FirmwareUpgradeBridge::isValidHost(const QString &host)
{
    if (host.isEmpty() || host.size() > 253)
        return false;
    static const QRegularExpression label(
        QStringLiteral("\\A[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?\\z"));
    static const QRegularExpression number(QStringLiteral("\\A(?:0|[1-9][0-9]{0,2})\\z"));
    const QStringList labels = host.split(QLatin1Char('.'));
    bool allNumeric = true;
    for (const QString &part : labels) {
        if (!label.match(part).hasMatch())
            return false;
        allNumeric = allNumeric &&
                     std::all_of(part.begin(), part.end(), [](QChar c) { return c.isDigit(); });
    }
    if (!allNumeric)
        return true; // a host name (its last label has a letter or hyphen)
    // Digits only: this is meant as an address, so it must be a whole
    // dotted-decimal one (no short forms, no octal-looking leading zeros).
    if (labels.size() != 4)
        return false;
    for (const QString &part : labels)
        if (!number.match(part).hasMatch() || part.toInt() > 255)
            return false;
    return true;
}

BilingualText FirmwareUpgradeBridge::nameRefusal(const QString &modelId) const
{
    const QString hint = FirmwareNameRules::firmwareFileNameHint(modelId, true);
    if (hint.isEmpty())
        return both("File name is not valid", "文件名不符合要求");
    return withArg(both("File name must match %1", "文件名不符合要求，应为 %1"), hint);
}

QString FirmwareUpgradeBridge::pickFirmwareFile(const QString &modelId)
{
    if (busy())
        return m_filePath;
    const QString hint = FirmwareNameRules::firmwareFileNameHint(modelId, false);
    const QString title =
        hint.isEmpty()
            ? Language::pick(QStringLiteral("Select upgrade package"), QStringLiteral("选择升级包"))
            : Language::pick(QStringLiteral("Select upgrade package (%1)"),
                             QStringLiteral("选择升级包（%1）"))
                  .arg(hint);
    const QString filter =
        Language::pick(QStringLiteral("Upgrade package (*.tar *.TAR);;All files (*.*)"),
                       QStringLiteral("升级包 (*.tar *.TAR);;所有文件 (*.*)"));
    const QString folder =
        m_filePath.isEmpty() ? QDir::homePath() : QFileInfo(m_filePath).absolutePath();
    const QString path = m_chooser ? m_chooser(title, filter, folder) : QString();
    if (path.isEmpty())
        return m_filePath;
    return setFirmwareFile(path, modelId);
}

QString FirmwareUpgradeBridge::setFirmwareFile(const QString &path, const QString &modelId)
{
    if (busy())
        return m_filePath;
    stopFollowing();
    m_md5.clear();
    setProgress(0);
    setFailed(false);
    if (!FirmwareNameRules::isFirmwareFileNameValid(modelId, path)) {
        m_filePath.clear();
        setStatus(nameRefusal(modelId));
        emit filePathChanged();
        return QString();
    }
    m_filePath = QDir::toNativeSeparators(path);
    setStatus(BilingualText{QStringLiteral("Selected: ") + fileName(),
                            QStringLiteral("已选择：") + fileName()});
    emit filePathChanged();
    return m_filePath;
}

void FirmwareUpgradeBridge::clearFile()
{
    if (busy() || m_filePath.isEmpty())
        return;
    stopFollowing();
    m_filePath.clear();
    m_md5.clear();
    setProgress(0);
    setFailed(false);
    setStatus(selectPackageText());
    emit filePathChanged();
}

void FirmwareUpgradeBridge::startUpgrade(const QString &hostIp, const QString &modelId)
{
    if (busy())
        return;
    stopFollowing();
    const QString host = hostIp.trimmed();
    if (!isValidHost(host)) {
        fail(both("Invalid camera IP", "相机 IP 无效"));
        return;
    }
    if (m_filePath.isEmpty() || !QFileInfo(m_filePath).isFile()) {
        fail(both("Please select a valid upgrade package", "请先选择有效的升级包文件"));
        return;
    }
    if (!FirmwareNameRules::isFirmwareFileNameValid(modelId, m_filePath)) {
        fail(nameRefusal(modelId));
        return;
    }
    // The digest of a large package takes a while: it is computed on a worker
    // while the attempt already counts as running (and can be cancelled).
    m_host = host;
    m_md5.clear();
    setProgress(0);
    setFailed(false);
    setStage(Stage::Hashing);
    setStatus(both("Computing the package's MD5…", "正在计算升级包 MD5…"));
    m_hasher->start(m_filePath);
}

void FirmwareUpgradeBridge::onHashed(Md5Hasher::Result result, const QString &md5)
{
    if (m_stage != Stage::Hashing)
        return;
    switch (result) {
    case Md5Hasher::CannotOpen:
        fail(cannotOpenText());
        return;
    case Md5Hasher::ReadError:
        fail(both("Failed to read upgrade package", "读取升级包失败"));
        return;
    case Md5Hasher::Done:
        break;
    }
    // The hasher always yields a digest when it is done; an empty one would
    // still be told as such rather than uploaded without a checksum.
    if (md5.isEmpty()) {
        fail(both("Failed to compute MD5", "计算 MD5 失败"));
        return;
    }
    m_md5 = md5;
    setStatus(both("Uploading upgrade package…", "正在上传升级包…"));
    upload();
}

void FirmwareUpgradeBridge::upload()
{
    setStage(Stage::Uploading);
    auto *file = new QFile(m_filePath);
    if (!file->open(QIODevice::ReadOnly)) {
        delete file;
        fail(cannotOpenText());
        return;
    }

    // The file is the body device of its part: the package travels from disk
    // in pieces and is never held in memory as a whole.
    auto *multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentDispositionHeader,
                   QStringLiteral("form-data; name=\"Upgrade\"; filename=\"%1\"").arg(fileName()));
    part.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/octet-stream"));
    part.setBodyDevice(file);
    file->setParent(multiPart);
    multiPart->append(part);

    abortCurrent();
    QNetworkReply *reply = m_network->post(requestFor(UploadPath), multiPart);
    multiPart->setParent(reply);
    connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64 total) {
        if (total > 0 && sent >= 0)
            setProgress(int(qMin(sent, total) * 90 / total));
    });
    // The package went through the network stack in pieces; what they took
    // goes back once the reply is gone.
    connect(reply, &QObject::destroyed, this, &FreedMemory::giveBack);
    follow(reply, m_timeouts.uploadMs, both("Upload timed out", "上传超时"),
           &FirmwareUpgradeBridge::onUploadFinished);
}

QNetworkRequest FirmwareUpgradeBridge::requestFor(const char *path) const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(m_host);
    url.setPort(m_port);
    url.setPath(QString::fromLatin1(path));
    return QNetworkRequest(url);
}

void FirmwareUpgradeBridge::follow(QNetworkReply *reply, int timeoutMs,
                                   const BilingualText &timeoutText,
                                   void (FirmwareUpgradeBridge::*onFinished)(QNetworkReply *))
{
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply, onFinished] {
        // Our own aborts disconnect the reply first, so a reply that ends
        // here, even cancelled by something else, ends the attempt.
        m_reply = nullptr;
        reply->deleteLater();
        (this->*onFinished)(reply);
    });
    // The timer is a child of the reply: it dies with it, and an aborted
    // reply is no longer the current one.
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, reply, timeoutText] {
        if (m_reply == reply)
            fail(timeoutText);
    });
    timer->start(timeoutMs);
}

bool FirmwareUpgradeBridge::exchangeFailed(QNetworkReply *reply, const QString &english,
                                           const QString &chinese)
{
    // A failure of the exchange itself rather than an answer: no HTTP status
    // at all, or a success status whose transfer broke off. An HTTP error
    // status is judged by the caller.
    const int status = httpStatusOf(reply);
    if (reply->error() == QNetworkReply::NoError ||
        (status != 0 && !UpgradeStartReply::isSuccessStatus(status)))
        return false;
    fail(BilingualText{english + reply->errorString(), chinese + reply->errorString()});
    return true;
}

void FirmwareUpgradeBridge::onUploadFinished(QNetworkReply *reply)
{
    if (exchangeFailed(reply, QStringLiteral("Upload failed: "), QStringLiteral("上传失败：")))
        return;
    const int status = httpStatusOf(reply);
    if (!UpgradeStartReply::isSuccessStatus(status)) {
        BilingualText text = withArg(both("Upload rejected (HTTP %1)", "上传被拒绝 (HTTP %1)"),
                                     QString::number(status));
        const QString body =
            UpgradeStartReply::snippet(reply->read(4 * UpgradeStartReply::SnippetLength + 4));
        if (!body.isEmpty()) {
            text.english += QStringLiteral(" — ") + body;
            text.chinese += QStringLiteral(" — ") + body;
        }
        fail(text);
        return;
    }
    setProgress(92);
    setStatus(both("Upload done, starting upgrade…", "上传完成，正在启动升级…"));
    requestStart();
}

void FirmwareUpgradeBridge::requestStart()
{
    setStage(Stage::Starting);
    QJsonObject request;
    request.insert(QStringLiteral("flag"), 1);
    request.insert(QStringLiteral("fileName"), fileName());
    request.insert(QStringLiteral("md5"), m_md5);
    const QByteArray body =
        QJsonDocument(QJsonObject{{QStringLiteral("req"), request}}).toJson(QJsonDocument::Compact);

    QNetworkRequest http = requestFor(StartPath);
    http.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    abortCurrent();
    follow(m_network->post(http, body), m_timeouts.startMs,
           both("Start-upgrade timed out", "启动升级超时"),
           &FirmwareUpgradeBridge::onStartFinished);
}

void FirmwareUpgradeBridge::onStartFinished(QNetworkReply *reply)
{
    if (exchangeFailed(reply, QStringLiteral("Start upgrade failed: "),
                       QStringLiteral("启动升级失败：")))
        return;
    const QByteArray body = reply->readAll();
    const UpgradeStartReply english = UpgradeStartReply::evaluate(httpStatusOf(reply), body, false);
    const UpgradeStartReply chinese = UpgradeStartReply::evaluate(httpStatusOf(reply), body, true);
    const BilingualText message{english.message, chinese.message};
    if (english.ok)
        succeed(message);
    else
        fail(message);
}

void FirmwareUpgradeBridge::cancel()
{
    if (!busy())
        return;
    fail(both("Upgrade cancelled", "已取消升级"));
}

void FirmwareUpgradeBridge::fail(const BilingualText &message)
{
    abortCurrent();
    setStage(Stage::Idle);
    setFailed(true);
    setStatus(message);
    emit finished(false, message.text());
}

void FirmwareUpgradeBridge::succeed(const BilingualText &message)
{
    abortCurrent();
    setProgress(100);
    setStage(Stage::Idle);
    setStatus(message);
    emit finished(true, message.text());
    followRestart();
}

void FirmwareUpgradeBridge::abortCurrent()
{
    if (m_stage == Stage::Hashing)
        m_hasher->cancel();
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    if (!reply)
        return;
    // Disconnected first, so the aborted request reports nothing more.
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

void FirmwareUpgradeBridge::setStage(Stage stage)
{
    const bool wasBusy = busy();
    m_stage = stage;
    if (busy() != wasBusy)
        emit busyChanged();
}

void FirmwareUpgradeBridge::setProgress(int progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit progressChanged();
}

void FirmwareUpgradeBridge::setStatus(const BilingualText &text)
{
    if (text == m_status)
        return;
    m_status = text;
    emit statusMessageChanged();
}

void FirmwareUpgradeBridge::setFailed(bool failed)
{
    if (failed == m_failed)
        return;
    m_failed = failed;
    emit failedChanged();
}

// ---------------------------------------------------------------------------
// The camera after an accepted start: it goes quiet while it restarts, comes
// back on its link, and tells the version it now runs (on its own or when
// asked).

void FirmwareUpgradeBridge::followRestart()
{
    TransportManager *link = m_camera ? m_camera->transportManager() : nullptr;
    if (!link || !link->isOpen())
        return; // nothing to watch the camera by
    m_versionBefore = m_camera->state() ? m_camera->state()->cameraVersion() : QString();
    m_restart = Restart::Awaited;
    m_sinceFrame.start();
    m_sinceStart.start();
    // Connected after the controller's own handling, so a frame's news is in
    // the device state when it gets here.
    m_frames = connect(link, &TransportManager::frameReceived, this,
                       &FirmwareUpgradeBridge::onCameraFrame);
    m_followTimer.start(FollowTickMs);
}

void FirmwareUpgradeBridge::stopFollowing()
{
    m_restart = Restart::None;
    m_followTimer.stop();
    disconnect(m_frames);
}

void FirmwareUpgradeBridge::onCameraFrame(const ParsedFrame &frame)
{
    m_sinceFrame.start();
    const QString version =
        m_camera && m_camera->state() ? m_camera->state()->cameraVersion() : QString();
    const bool versionReport =
        FrameCodec::frameKind(frame.messageId) == 1 &&
        FrameCodec::commandCode(frame.messageId) == CommandCode::GetCameraVersion &&
        frame.payload.size() >= 2 && frame.payload.at(0) == 0 && frame.payload.at(1) == 0 &&
        !version.isEmpty();
    if (m_restart == Restart::Rebooting) {
        m_restart = Restart::Back;
        setStatus(
            both("The camera is back; reading its version…", "相机已重新上线，正在读取版本…"));
        if (!versionReport && m_camera) {
            m_camera->cameraVersionGet();
            m_sinceAsked.start();
        }
    }
    // Before the camera fell silent, only another version than before tells
    // that it has already restarted.
    if (versionReport && (m_restart == Restart::Back || version != m_versionBefore)) {
        stopFollowing();
        setStatus(
            withArg(both("The camera is back, version %1", "相机已重新上线，版本 %1"), version));
    }
}

void FirmwareUpgradeBridge::onFollowTick()
{
    if (m_sinceStart.elapsed() >= m_timeouts.returnMs) {
        // Say what was seen: a camera that is back but never told its version
        // is not missing, and one that kept answering never went away.
        const Restart seen = m_restart;
        const bool answering = m_sinceFrame.elapsed() < m_timeouts.silenceMs;
        stopFollowing();
        if (seen == Restart::Back) {
            setStatus(both("The camera is back but did not tell its version",
                           "相机已重新上线，但未报告版本"));
        } else if (seen == Restart::Awaited && answering) {
            setFailed(true);
            setStatus(both("The camera kept answering and did not restart after the upgrade "
                           "started",
                           "升级启动后相机一直在线，未重启"));
        } else {
            setFailed(true);
            setStatus(both("The camera has not come back since the upgrade started",
                           "升级启动后相机未重新上线"));
        }
        return;
    }
    if (m_restart == Restart::Awaited && m_sinceFrame.elapsed() >= m_timeouts.silenceMs) {
        m_restart = Restart::Rebooting;
        setStatus(both("Upgrade started; the camera is restarting…", "升级已启动，相机正在重启…"));
    } else if (m_restart == Restart::Back && m_camera &&
               m_sinceAsked.elapsed() >= m_timeouts.versionPollMs) {
        m_camera->cameraVersionGet(); // the question or its answer was lost
        m_sinceAsked.start();
    }
}
