// Endurance run: the program's own object graph, built headless as the
// headless front end builds it, against the simulator with every channel busy
// and faulty at once:
// - the control link loses 5 % of the frames both ways and flips a bit in 1 %
//   of what the camera sends, while gimbal moves and parameter reads go out
//   every 100 ms, each of which must end in an answer or a failure text;
// - live video plays and is recorded in 5-minute pieces;
// - the album lists the card and downloads a set of files again and again
//   with the same faults on the media channel, every file compared byte for
//   byte with the simulator's card;
// - a firmware upgrade every 10 minutes (the first after 5), after which the
//   camera reboots and the run waits for its new version.
// Every minute one line: resident memory, open file descriptors, threads, how
// much the session log grew, the longest stall of the interface thread (how
// late a 20 ms timer fired), commands sent and answered, pictures shown,
// files downloaded and verified. At the end one summary line. All traffic is
// on 127.0.0.1; run it in a loopback namespace like the tests.
//
// Usage: bench_soak [MINUTES]   (default 10)
// BENCH_SOAK_KEEP=1 keeps the run's folder with its session log.

#include "SoakProbes.h"
#include "album/MediaAlbumBridge.h"
#include "app/AppCore.h"
#include "commands/GimbalController.h"
#include "integration/CamsimHarness.h"
#include "link/ConnectionBridge.h"
#include "link/FrameCodec.h"
#include "link/TransportManager.h"
#include "log/LogBridge.h"
#include "state/GimbalState.h"
#include "upgrade/FirmwareUpgradeBridge.h"
#include "video/QmlVideoPlayer.h"
#include "video/VideoFrameItem.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/socket.h>
#include <unistd.h>

using namespace SoakProbes;

namespace
{

constexpr int CommandIntervalMs = 100;
// A command neither answered nor told unanswered within this long is left
// without either: the camera answers within milliseconds and the program
// says so well before this when it does not.
constexpr int AnswerCeilingMs = 5000;
constexpr qint64 PieceMs = 5 * 60 * 1000;
constexpr qint64 FirstUpgradeMs = 5 * 60 * 1000;
constexpr qint64 UpgradeEveryMs = 10 * 60 * 1000;
// How long the camera may take to come back with its new version.
constexpr int ComebackCeilingMs = 60000;
// A set of downloads that has not ended after this long has lost its files.
constexpr qint64 BatchCeilingMs = 10 * 60 * 1000;
constexpr int StallTickMs = 20;
constexpr int PackageBytes = 8 * 1000 * 1000;
constexpr int MinuteMs = 60000;
// Failure texts printed as they happen, per kind; the rest are only counted.
constexpr int PrintedTexts = 12;
const char *const Model = "Heron";

int signalPipe[2] = {-1, -1};
bool stopRequested = false;

void onSignal(int)
{
    const char c = 1;
    ssize_t ignored = ::write(signalPipe[1], &c, 1);
    (void)ignored;
}

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

quint16 freeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct Counters {
    qint64 sent = 0;
    qint64 answered = 0;
    qint64 refused = 0;        // answered with a failure result (logged as failed)
    qint64 toldUnanswered = 0; // no answer, and the log said so
    qint64 dropped = 0;        // not sent, with the reason in the log
    qint64 notSent = 0;        // nothing went out, and nothing said why
    qint64 unanswered = 0;
    qint64 unansweredRebooting = 0;
    qint64 strayAnswers = 0;
    qint64 pictures = 0;
    qint64 downloaded = 0;
    qint64 verified = 0;
    qint64 corrupted = 0;
    qint64 lost = 0;
    qint64 failedDownloads = 0;
    qint64 lists = 0;
    qint64 listFailures = 0;
    qint64 reopens = 0;
    qint64 pieces = 0;
    qint64 badPieces = 0;
    qint64 videoErrors = 0;
    qint64 reconnects = 0;
    qint64 upgrades = 0;
    qint64 upgradesBack = 0;
    qint64 upgradeFailures = 0;
};

class Soak
{
public:
    Soak(AppCore *core, const QString &rtspUrl, const QString &cardFolder, quint16 httpPort,
         const QString &work)
        : m_core(core), m_rtspUrl(rtspUrl), m_cardFolder(cardFolder), m_work(work)
    {
        m_core->firmwareUpgrade()->setPort(httpPort);
        m_checker.moveToThread(&m_checkThread);
        m_checkThread.start();
    }

    ~Soak()
    {
        // The player first: it ends its decoder before the item it draws to.
        delete m_video;
        delete m_target;
        m_checkThread.quit();
        m_checkThread.wait();
    }

    void start(qint64 runMs)
    {
        m_runMs = runMs;
        m_clock.start();
        m_lastTick = 0;
        m_logSize = QFileInfo(m_core->logBridge()->logFilePath()).size();

        connectCommands();
        connectVideo();
        connectAlbum();
        connectUpgrade();

        m_schedstat = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
        m_lastQueued = queuedMs(m_schedstat);
        QObject::connect(&m_stallTimer, &QTimer::timeout, &m_ctx, [this] {
            const qint64 now = m_clock.elapsed();
            const double queued = queuedMs(m_schedstat);
            const qint64 late = now - m_lastTick - StallTickMs;
            m_minuteStall = std::max(m_minuteStall, late);
            m_minuteOwnStall = std::max(m_minuteOwnStall, late - (queued - m_lastQueued));
            m_lastTick = now;
            m_lastQueued = queued;
        });
        m_stallTimer.setTimerType(Qt::PreciseTimer);
        m_stallTimer.start(StallTickMs);

        QObject::connect(&m_commandTimer, &QTimer::timeout, &m_ctx, [this] { commandTick(); });
        m_commandTimer.start(CommandIntervalMs);

        QObject::connect(&m_minuteTimer, &QTimer::timeout, &m_ctx, [this] { minuteLine(); });
        m_minuteTimer.start(MinuteMs);

        m_video->start(m_rtspUrl);
        m_video->startRecording(m_rtspUrl);
        QObject::connect(&m_pieceTimer, &QTimer::timeout, &m_ctx, [this] { nextPiece(); });
        m_pieceTimer.start(int(PieceMs));

        openAlbum();

        QTimer::singleShot(int(std::min(FirstUpgradeMs, runMs + 1)), &m_ctx, [this] {
            upgrade();
            QObject::connect(&m_upgradeTimer, &QTimer::timeout, &m_ctx, [this] { upgrade(); });
            m_upgradeTimer.start(int(UpgradeEveryMs));
        });

        say(QStringLiteral(
            "min  RSS MB anon MB heap MB  fds thr  log KB stall ms own ms   commands "
            "sent/answered pictures files got/verified"));
    }

    // Stops sending, lets the last answers and checks arrive, ends the
    // recording and the album, and prints the summary.
    void finish()
    {
        m_finishing = true;
        m_commandTimer.stop();
        m_pieceTimer.stop();
        m_upgradeTimer.stop();
        m_minuteTimer.stop();
        const int minutes = int((m_clock.elapsed() + MinuteMs / 2) / MinuteMs);
        if (m_clock.elapsed() - m_lastMinuteAt > MinuteMs / 2)
            minuteLine();
        waitFor([this] { return m_pending.isEmpty(); }, AnswerCeilingMs + 500);
        expireCommands(true);
        const QString last = m_video->lastOutput();
        const bool recording = m_video->recording();
        m_video->stopRecording();
        if (recording)
            checkPiece(last);
        m_video->stop();
        // Downloads still running are neither lost nor verified.
        const int inFlight = m_batch.size();
        m_album->closeAlbum();
        waitFor([this] { return m_checks == 0; }, 60000);
        m_stallTimer.stop();

        // Growth from the end of minute 5 (or of minute 1 in a shorter run).
        const int from = m_rss.size() > 5 ? 4 : 0;
        const auto growth = [from](const QVector<double> &v) {
            return v.isEmpty() ? QStringLiteral("-")
                               : QStringLiteral("%1").arg(v.last() - v.at(from), 0, 'f', 1);
        };
        const auto range = [](const QVector<int> &v) {
            if (v.isEmpty())
                return QStringLiteral("-");
            const auto mm = std::minmax_element(v.begin(), v.end());
            return QStringLiteral("%1..%2").arg(*mm.first).arg(*mm.second);
        };
        const Counters &c = m_total;
        const QStringList parts{
            QStringLiteral("summary: %1 min").arg(minutes),
            QStringLiteral("growth after minute %1: RSS %2 MB, heap %3 MB (RSS %4 MB at the end)")
                .arg(from + 1)
                .arg(growth(m_rss), growth(m_heap))
                .arg(m_rss.isEmpty() ? 0.0 : m_rss.last(), 0, 'f', 1),
            QStringLiteral("fds %1, threads %2").arg(range(m_fds), range(m_threads)),
            QStringLiteral("longest stall %1 ms (%2 ms of it not waiting for a processor)")
                .arg(m_longestStall)
                .arg(std::max(0.0, m_longestOwnStall), 0, 'f', 0),
            QStringLiteral("files %1 verified, %2 corrupted, %3 lost, %4 failed with a text, %5 "
                           "in flight at the end")
                .arg(c.verified)
                .arg(c.corrupted)
                .arg(c.lost)
                .arg(c.failedDownloads)
                .arg(inFlight),
            QStringLiteral("commands %1 sent, %2 answered, %3 refused with a text, %4 unanswered "
                           "with a text, %5 not sent with a reason, %6 not sent without a word, "
                           "%7 without answer or failure text (%8 of them while the camera "
                           "rebooted)")
                .arg(c.sent)
                .arg(c.answered)
                .arg(c.refused)
                .arg(c.toldUnanswered)
                .arg(c.dropped)
                .arg(c.notSent)
                .arg(c.unanswered + c.unansweredRebooting)
                .arg(c.unansweredRebooting),
            QStringLiteral("recordings %1 pieces complete, %2 bad")
                .arg(c.pieces - c.badPieces)
                .arg(c.badPieces),
            QStringLiteral("upgrades %1 started, %2 back with the new version, %3 failed")
                .arg(c.upgrades)
                .arg(c.upgradesBack)
                .arg(c.upgradeFailures),
        };
        say(parts.join(QStringLiteral("; ")));
        say(QStringLiteral("also: %1 lists (%2 failed, album reopened %3 times), %4 video "
                           "errors, %5 reconnects, %6 answers matching no open command, "
                           "longest answer %7 ms (outside restarts)")
                .arg(c.lists)
                .arg(c.listFailures)
                .arg(c.reopens)
                .arg(c.videoErrors)
                .arg(c.reconnects)
                .arg(c.strayAnswers)
                .arg(m_longestAnswer));
    }

private:
    // Runs the event loop until `done` holds or `ms` pass.
    void waitFor(const std::function<bool()> &done, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }

    bool rebootingAt(qint64 t) const
    {
        for (const auto &window : m_reboots)
            if (t >= window.first && (window.second < 0 || t <= window.second))
                return true;
        return false;
    }

    void note(int &printed, const QString &text)
    {
        if (printed++ < PrintedTexts)
            say(QStringLiteral("  %1:%2 %3")
                    .arg(m_clock.elapsed() / MinuteMs)
                    .arg(m_clock.elapsed() / 1000 % 60, 2, 10, QLatin1Char('0'))
                    .arg(text));
    }

    // --- commands ---------------------------------------------------------

    struct Operation {
        const char *name;
        std::function<void(GimbalController *)> send;
        quint16 code = 0; // learnt from the first frame it sent
    };

    void connectCommands()
    {
        m_operations = {
            {"yaw right", [](GimbalController *c) { c->gimbalControl(0, 1, 2); }},
            {"gimbal version", [](GimbalController *c) { c->gimbalVersionGet(); }},
            {"stop", [](GimbalController *c) { c->gimbalControl(0, 2, 2); }},
            {"camera version", [](GimbalController *c) { c->cameraVersionGet(); }},
            {"yaw left", [](GimbalController *c) { c->gimbalControl(0, 0, 2); }},
            {"core temperature", [](GimbalController *c) { c->coreTempGet(); }},
            {"stop", [](GimbalController *c) { c->gimbalControl(0, 2, 2); }},
            {"infrared parameters", [](GimbalController *c) { c->irAllParamsGet(); }},
            {"visible parameters", [](GimbalController *c) { c->visAllParamsGet(); }},
        };
        TransportManager *link = m_core->transportManager();
        QObject::connect(link, &TransportManager::commandSent, &m_ctx,
                         [this](uint32_t msgId, const QString &, const QByteArray &) {
                             if (!m_current)
                                 return;
                             m_current->code = FrameCodec::commandCode(msgId);
                             m_pending.insert(m_current->code, m_clock.elapsed());
                             ++m_total.sent;
                             ++m_minute.sent;
                             m_current = nullptr;
                         });
        QObject::connect(
            link, &TransportManager::commandDropped, &m_ctx,
            [this](uint32_t msgId, const QString &reason) {
                if (!m_current)
                    return;
                m_current->code = FrameCodec::commandCode(msgId);
                ++m_total.dropped;
                note(m_printedDrops,
                     QStringLiteral("%1 not sent: %2").arg(QLatin1String(m_current->name), reason));
                m_current = nullptr;
            });
        QObject::connect(m_core->controller(), &GimbalController::ackReceived, &m_ctx,
                         [this](uint32_t msgId, uint16_t result) {
                             const quint16 code = FrameCodec::commandCode(msgId);
                             const auto it = m_pending.find(code);
                             if (it == m_pending.end()) {
                                 for (const Operation &op : m_operations)
                                     if (op.code == code) {
                                         ++m_total.strayAnswers;
                                         break;
                                     }
                                 return;
                             }
                             if (!rebootingAt(it.value()))
                                 m_longestAnswer =
                                     std::max(m_longestAnswer, m_clock.elapsed() - it.value());
                             m_pending.erase(it);
                             if (result == 0) {
                                 ++m_total.answered;
                                 ++m_minute.answered;
                             } else {
                                 ++m_total.refused;
                             }
                         });
        // The program's own word that a command went unanswered is a failure
        // text like a refusal; an answer after it counts as a stray one.
        QObject::connect(m_core->controller(), &GimbalController::commandUnanswered, &m_ctx,
                         [this](uint32_t msgId) {
                             const auto it = m_pending.find(FrameCodec::commandCode(msgId));
                             if (it == m_pending.end())
                                 return;
                             m_pending.erase(it);
                             ++m_total.toldUnanswered;
                         });
    }

    void commandTick()
    {
        expireCommands(false);
        // The next operation whose code has no command waiting for its answer
        // (answers carry the code, not the frame's number).
        for (int tried = 0; tried < m_operations.size(); ++tried) {
            Operation &op = m_operations[m_nextOperation];
            m_nextOperation = (m_nextOperation + 1) % m_operations.size();
            if (op.code != 0 && m_pending.contains(op.code))
                continue;
            m_current = &op;
            op.send(m_core->controller());
            if (m_current) {
                // Neither sent nor dropped: the program kept it back.
                ++m_total.notSent;
                note(m_printedNotSent,
                     QStringLiteral("%1 neither sent nor dropped").arg(QLatin1String(op.name)));
                m_current = nullptr;
            }
            return;
        }
    }

    void expireCommands(bool all)
    {
        const qint64 now = m_clock.elapsed();
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            if (!all && now - it.value() < AnswerCeilingMs) {
                ++it;
                continue;
            }
            if (rebootingAt(it.value()))
                ++m_total.unansweredRebooting;
            else
                ++m_total.unanswered;
            it = m_pending.erase(it);
        }
    }

    // --- live video and recording ------------------------------------------

    void connectVideo()
    {
        m_target = new VideoFrameItem;
        m_video = new QmlVideoPlayer;
        m_video->setTarget(m_target);
        const QString folder = m_work + QStringLiteral("/recordings");
        QDir().mkpath(folder);
        m_video->setOutputFolder(folder);
        QObject::connect(m_target, &VideoFrameItem::frameChanged, &m_ctx, [this] {
            ++m_total.pictures;
            ++m_minute.pictures;
        });
        QObject::connect(m_video, &QmlVideoPlayer::errorOccurred, &m_ctx,
                         [this](const QString &text) {
                             ++m_total.videoErrors;
                             note(m_printedVideo, QStringLiteral("video: %1").arg(text));
                         });
        QObject::connect(
            m_video, &QmlVideoPlayer::reconnectingChanged, &m_ctx, [this](bool reconnecting) {
                if (reconnecting) {
                    ++m_total.reconnects;
                    note(m_printedVideo,
                         QStringLiteral("video reconnecting: %1").arg(m_video->status()));
                }
            });
        QObject::connect(m_video, &QmlVideoPlayer::recordingChanged, &m_ctx, [this](bool on) {
            if (on || m_finishing || m_stoppingPiece)
                return;
            // Ended by itself: that piece is over, the next one begins.
            checkPiece(m_video->lastOutput());
            QTimer::singleShot(1000, &m_ctx, [this] {
                if (!m_finishing && !m_video->recording())
                    m_video->startRecording(m_rtspUrl);
            });
        });
    }

    void nextPiece()
    {
        const QString path = m_video->lastOutput();
        m_stoppingPiece = true;
        m_video->stopRecording();
        m_stoppingPiece = false;
        checkPiece(path);
        m_video->startRecording(m_rtspUrl);
    }

    void checkPiece(const QString &path)
    {
        ++m_total.pieces;
        background([path] { return checkRecording(path); },
                   [this, path](const QString &problem) {
                       if (problem.isEmpty()) {
                           QFile::remove(path);
                           return;
                       }
                       ++m_total.badPieces;
                       note(m_printedVideo, QStringLiteral("recording: %1").arg(problem));
                   });
    }

    // Runs `work` on the checking thread, so reading files never stalls the
    // interface thread, and hands its result to `done` on this one.
    void background(const std::function<QString()> &work,
                    const std::function<void(const QString &)> &done)
    {
        ++m_checks;
        QMetaObject::invokeMethod(
            &m_checker,
            [this, work, done] {
                const QString result = work();
                QMetaObject::invokeMethod(
                    &m_ctx,
                    [this, done, result] {
                        --m_checks;
                        done(result);
                    },
                    Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }

    // --- album ---------------------------------------------------------------

    void connectAlbum()
    {
        m_album = m_core->mediaAlbum();
        const QString downloads = m_work + QStringLiteral("/downloads");
        QDir().mkpath(downloads);
        m_album->setDownloadDirectory(downloads);
        QObject::connect(m_album, &MediaAlbumBridge::mediaItemsChanged, &m_ctx, [this] {
            if (m_listAsked)
                m_listGot = true;
        });
        // The album names why a list failed just after it stops loading, so
        // the text is read once the change has settled.
        QObject::connect(m_album, &MediaAlbumBridge::loadingChanged, &m_ctx,
                         [this] { QTimer::singleShot(0, &m_ctx, [this] { listEnded(); }); });
        QObject::connect(m_album, &MediaAlbumBridge::downloadCompleted, &m_ctx,
                         [this](const QString &remote, const QString &local) {
                             if (!m_batch.remove(remote))
                                 return;
                             ++m_total.downloaded;
                             ++m_minute.downloaded;
                             const QString original =
                                 m_cardFolder +
                                 remote.mid(int(qstrlen("/sdcard"))); // the card's own copy
                             background(
                                 [local, original] {
                                     const QString problem = compareFiles(local, original);
                                     QFile::remove(local);
                                     return problem;
                                 },
                                 [this, remote](const QString &problem) {
                                     if (problem.isEmpty()) {
                                         ++m_total.verified;
                                         ++m_minute.verified;
                                         return;
                                     }
                                     ++m_total.corrupted;
                                     note(m_printedAlbum,
                                          QStringLiteral("CORRUPTED %1: %2").arg(remote, problem));
                                 });
                         });
        QObject::connect(m_album, &MediaAlbumBridge::downloadFailed, &m_ctx,
                         [this](const QString &remote, const QString &reason) {
                             if (!m_batch.remove(remote))
                                 return;
                             ++m_total.failedDownloads;
                             note(m_printedAlbum,
                                  QStringLiteral("download of %1 failed: %2").arg(remote, reason));
                         });
        QObject::connect(m_album, &MediaAlbumBridge::batchDownloadFinished, &m_ctx,
                         [this](int, int) { endBatch(); });
        QObject::connect(&m_batchCeiling, &QTimer::timeout, &m_ctx, [this] {
            note(m_printedAlbum, QStringLiteral("a set of downloads did not end in %1 min")
                                     .arg(BatchCeilingMs / MinuteMs));
            m_album->cancelDownload();
            endBatch();
        });
        m_batchCeiling.setSingleShot(true);
    }

    void listEnded()
    {
        if (m_album->loading() || !m_listAsked)
            return;
        m_listAsked = false;
        if (m_listGot) {
            ++m_total.lists;
            m_listFailuresInRow = 0;
            startBatch();
            return;
        }
        ++m_total.listFailures;
        note(m_printedAlbum, QStringLiteral("list: %1").arg(m_album->statusMessage()));
        // An operator asks again, and after a few failures closes and opens
        // the album again.
        QTimer::singleShot(2000, &m_ctx, [this] {
            if (m_finishing)
                return;
            if (++m_listFailuresInRow >= 3) {
                m_listFailuresInRow = 0;
                ++m_total.reopens;
                m_album->closeAlbum();
                openAlbum();
            } else {
                refresh();
            }
        });
    }

    void openAlbum()
    {
        m_listAsked = true;
        m_listGot = false;
        m_album->openAlbum(m_rtspUrl);
    }

    void refresh()
    {
        m_listAsked = true;
        m_listGot = false;
        m_album->refresh();
        if (!m_album->loading()) // refused at once (busy or closed)
            QTimer::singleShot(0, &m_ctx, [this] { listEnded(); });
    }

    // Every video and every third photo of the list.
    void startBatch()
    {
        QVariantList paths;
        int photo = 0;
        for (const QVariant &item : m_album->mediaItems()) {
            const QVariantMap m = item.toMap();
            const bool video = m.value(QStringLiteral("type")).toString() == QLatin1String("video");
            if (video || photo++ % 3 == 0)
                paths.append(m.value(QStringLiteral("path")));
        }
        m_batch.clear();
        for (const QVariant &p : paths)
            m_batch.insert(p.toString());
        m_batchCeiling.start(int(BatchCeilingMs));
        m_album->downloadFiles(paths);
    }

    void endBatch()
    {
        m_batchCeiling.stop();
        if (!m_batch.isEmpty()) {
            m_total.lost += m_batch.size();
            note(m_printedAlbum,
                 QStringLiteral("LOST (neither saved nor failed): %1")
                     .arg(QStringList(m_batch.values()).join(QStringLiteral(", "))));
            m_batch.clear();
        }
        if (m_finishing)
            return;
        QTimer::singleShot(1000, &m_ctx, [this] {
            if (!m_finishing)
                refresh();
        });
    }

    // --- firmware upgrade ------------------------------------------------------

    void connectUpgrade()
    {
        FirmwareUpgradeBridge *upgrade = m_core->firmwareUpgrade();
        QObject::connect(upgrade, &FirmwareUpgradeBridge::finished, &m_ctx,
                         [this](bool ok, const QString &message) {
                             if (!ok) {
                                 ++m_total.upgradeFailures;
                                 if (!m_reboots.isEmpty() && m_reboots.last().second < 0)
                                     m_reboots.last().second = m_clock.elapsed();
                                 m_awaitedVersion.clear();
                                 note(m_printedUpgrade,
                                      QStringLiteral("upgrade failed: %1").arg(message));
                                 return;
                             }
                             m_comebackCeiling.start(ComebackCeilingMs);
                         });
        QObject::connect(m_core->gimbalState(), &GimbalState::versionInfoChanged, &m_ctx, [this] {
            if (m_awaitedVersion.isEmpty() ||
                m_core->gimbalState()->cameraVersion() != m_awaitedVersion)
                return;
            m_awaitedVersion.clear();
            m_comebackCeiling.stop();
            ++m_total.upgradesBack;
            m_reboots.last().second = m_clock.elapsed();
            note(m_printedUpgrade,
                 QStringLiteral("upgrade: back with %1 after %2 s")
                     .arg(m_core->gimbalState()->cameraVersion())
                     .arg((m_reboots.last().second - m_reboots.last().first) / 1000.0, 0, 'f', 1));
        });
        m_comebackCeiling.setSingleShot(true);
        QObject::connect(&m_comebackCeiling, &QTimer::timeout, &m_ctx, [this] {
            ++m_total.upgradeFailures;
            m_reboots.last().second = m_clock.elapsed();
            note(m_printedUpgrade, QStringLiteral("upgrade: the camera did not come back with %1 "
                                                  "within %2 s (it reports %3)")
                                       .arg(m_awaitedVersion)
                                       .arg(ComebackCeilingMs / 1000)
                                       .arg(m_core->gimbalState()->cameraVersion()));
            m_awaitedVersion.clear();
        });
    }

    void upgrade()
    {
        if (m_finishing || m_clock.elapsed() >= m_runMs)
            return;
        FirmwareUpgradeBridge *upgrade = m_core->firmwareUpgrade();
        if (upgrade->busy() || !m_awaitedVersion.isEmpty()) {
            note(m_printedUpgrade, QStringLiteral("upgrade: the last one is still under way"));
            return;
        }
        ++m_total.upgrades;
        const int minor = int(m_total.upgrades);
        const QString path =
            m_work + QStringLiteral("/L4T-V3.%1.%2-Upgrade.tar").arg(minor / 200).arg(minor % 200);
        {
            // Written in pieces, as an operator's package is already on disk:
            // a whole package in this process's memory would be counted as the
            // program's.
            QFile f(path);
            f.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            const QByteArray piece(PackageBytes / 125, char('a' + minor % 26));
            for (int i = 0; i < 125; ++i)
                f.write(piece);
        }
        m_awaitedVersion = QStringLiteral("3.%1.%2").arg(minor / 200).arg(minor % 200);
        if (upgrade->setFirmwareFile(path, QLatin1String(Model)).isEmpty()) {
            ++m_total.upgradeFailures;
            note(m_printedUpgrade,
                 QStringLiteral("upgrade: package refused: %1").arg(upgrade->statusMessage()));
            m_awaitedVersion.clear();
            return;
        }
        m_reboots.append({m_clock.elapsed(), -1});
        upgrade->startUpgrade(QStringLiteral("127.0.0.1"), QLatin1String(Model));
    }

    // --- the minute's line ---------------------------------------------------

    void minuteLine()
    {
        const ProcessFigures p = processFigures();
        const qint64 logSize = QFileInfo(m_core->logBridge()->logFilePath()).size();
        const qint64 logGrowth = logSize - m_logSize;
        m_logSize = logSize;
        const double heap = heapInUseMB();
        m_rss.append(p.rssMB);
        m_heap.append(heap);
        m_fds.append(p.fds);
        m_threads.append(p.threads);
        m_longestStall = std::max(m_longestStall, m_minuteStall);
        m_longestOwnStall = std::max(m_longestOwnStall, m_minuteOwnStall);
        m_lastMinuteAt = m_clock.elapsed();
        say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12")
                .arg(m_rss.size(), 3)
                .arg(p.rssMB, 7, 'f', 1)
                .arg(p.anonMB, 7, 'f', 1)
                .arg(heap, 7, 'f', 1)
                .arg(p.fds, 4)
                .arg(p.threads, 3)
                .arg(logGrowth / 1024, 7)
                .arg(m_minuteStall, 8)
                .arg(std::max(0.0, m_minuteOwnStall), 6, 'f', 0)
                .arg(QStringLiteral("%1/%2").arg(m_minute.sent).arg(m_minute.answered), 24)
                .arg(m_minute.pictures, 8)
                .arg(QStringLiteral("%1/%2").arg(m_minute.downloaded).arg(m_minute.verified), 18));
        m_minute = Counters();
        m_minuteStall = 0;
        m_minuteOwnStall = 0;
    }

    AppCore *m_core;
    QString m_rtspUrl;
    QString m_cardFolder;
    QString m_work;
    MediaAlbumBridge *m_album = nullptr;
    VideoFrameItem *m_target = nullptr;
    QmlVideoPlayer *m_video = nullptr;

    QObject m_ctx; // what every connection of the run belongs to
    QElapsedTimer m_clock;
    qint64 m_runMs = 0;
    bool m_finishing = false;
    Counters m_total;
    Counters m_minute;

    QTimer m_stallTimer;
    qint64 m_lastTick = 0;
    qint64 m_minuteStall = 0;
    qint64 m_longestStall = 0;
    int m_schedstat = -1;
    double m_lastQueued = 0;
    double m_minuteOwnStall = 0;
    double m_longestOwnStall = 0;
    QTimer m_minuteTimer;
    qint64 m_lastMinuteAt = 0;
    qint64 m_logSize = 0;
    QVector<double> m_rss;
    QVector<double> m_heap;
    QVector<int> m_fds;
    QVector<int> m_threads;

    QVector<Operation> m_operations;
    int m_nextOperation = 0;
    Operation *m_current = nullptr;
    QHash<quint16, qint64> m_pending; // command code -> when it was sent
    qint64 m_longestAnswer = 0;
    QTimer m_commandTimer;

    QTimer m_pieceTimer;
    bool m_stoppingPiece = false;

    bool m_listAsked = false;
    bool m_listGot = false;
    int m_listFailuresInRow = 0;
    QSet<QString> m_batch; // asked for, neither saved nor failed yet
    QTimer m_batchCeiling;

    QTimer m_upgradeTimer;
    QTimer m_comebackCeiling;
    QString m_awaitedVersion;
    QVector<QPair<qint64, qint64>> m_reboots; // from the start request until back (-1: not yet)

    QThread m_checkThread;
    QObject m_checker;
    int m_checks = 0;

    int m_printedDrops = 0;
    int m_printedNotSent = 0;
    int m_printedVideo = 0;
    int m_printedAlbum = 0;
    int m_printedUpgrade = 0;
};

} // namespace

int main(int argc, char **argv)
{
    // As the headless front end: pictures go to an item in no window.
    qputenv("QT_QPA_PLATFORM", "minimal");
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("SkyrigBench"));
    QCoreApplication::setApplicationName(QStringLiteral("bench_soak"));
    QStandardPaths::setTestModeEnabled(true);
    QSettings().setValue(QStringLiteral("startup/isChinese"), false);
    if (!QFileInfo(camsim_test::simulatorPath()).isExecutable()) {
        std::printf("bench_soak: the simulator is not built\n");
        return 0;
    }
    bool ok = false;
    const int minutes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt(&ok) : 10;
    if (argc > 1 && (!ok || minutes < 1)) {
        std::fprintf(stderr, "usage: bench_soak [MINUTES]   (default 10)\n");
        return 2;
    }

    // Ctrl+C or a stop ends the run early with its summary, and the
    // simulator is stopped with it.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
            stopRequested = true;
            QCoreApplication::quit();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }

    // BENCH_SOAK_KEEP keeps the session log (and whatever was not checked yet).
    QTemporaryDir work;
    if (qEnvironmentVariableIsSet("BENCH_SOAK_KEEP")) {
        work.setAutoRemove(false);
        std::printf("bench_soak: the session log stays in %s/logs\n", qPrintable(work.path()));
    }
    const quint16 rtspPort = freeTcpPort();
    quint16 httpPort = freeTcpPort();
    while (httpPort == rtspPort)
        httpPort = freeTcpPort();
    camsim_test::SimProcess sim;
    QString error;
    const QStringList options =
        camsim_test::words("--loss 0.05 --corrupt 0.01 --fault-channel control "
                           "--fault-channel media --seed 19 --model") +
        QStringList{QLatin1String(Model), QStringLiteral("--rtsp-port"), QString::number(rtspPort),
                    QStringLiteral("--http-port"), QString::number(httpPort)};
    if (!sim.start(options, &error)) {
        std::fprintf(stderr, "bench_soak: %s\n", qPrintable(error));
        return 1;
    }
    // The simulator's remarks (the upgrade, its fault counters at the end).
    QObject::connect(&sim.process, &QProcess::readyReadStandardError, [&sim] {
        std::fprintf(stderr, "%s", sim.process.readAllStandardError().constData());
    });
    QObject::connect(&sim.process, &QProcess::readyReadStandardOutput,
                     [&sim] { sim.process.readAllStandardOutput(); });
    const auto field = [&sim](const char *name) {
        const QRegularExpression re(QStringLiteral(" %1=(\\S+)").arg(QLatin1String(name)));
        return QUrl::fromPercentEncoding(re.match(sim.readyLine).captured(1).toUtf8());
    };
    const QString rtspUrl = field("rtsp");
    const QString card = field("card");
    if (!rtspUrl.startsWith(QLatin1String("rtsp://")) || card.isEmpty() ||
        field("http") == QLatin1String("-")) {
        std::fprintf(stderr, "bench_soak: the simulator serves no RTSP, HTTP or card: %s\n",
                     qPrintable(sim.readyLine));
        return 1;
    }

    // The program's graph as the headless front end builds it; the album on
    // free ports so the run can share the machine with the tests.
    AlbumTimings timings;
    timings.downloadPort = 0;
    timings.playbackPort = 0;
    AppCore core(nullptr, work.filePath(QStringLiteral("logs")), timings);
    core.controller()->setModel(QLatin1String(Model));
    core.connectionBridge()->connectUdp(QStringLiteral("127.0.0.1"), int(sim.port));
    {
        QElapsedTimer t;
        t.start();
        while (!core.controller()->handshakeReady() && !stopRequested && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!core.controller()->handshakeReady()) {
            std::fprintf(stderr, "bench_soak: the link did not become ready\n");
            return 1;
        }
    }

    std::printf("bench_soak: %d min against the simulator (%s): control link and media at 5 %% "
                "loss and 1 %% corruption, live video %s recorded in %lld-minute pieces, "
                "album downloads, an upgrade every %lld minutes (the first after %lld)\n",
                minutes, Model, qPrintable(rtspUrl), PieceMs / MinuteMs, UpgradeEveryMs / MinuteMs,
                FirstUpgradeMs / MinuteMs);
    std::fflush(stdout);
    {
        Soak soak(&core, rtspUrl, card, httpPort, work.path());
        soak.start(qint64(minutes) * MinuteMs);
        QTimer::singleShot(minutes * MinuteMs, &app, &QCoreApplication::quit);
        if (!stopRequested)
            app.exec();
        soak.finish();
    }
    // The simulator prints its fault counters as it stops.
    sim.process.terminate();
    sim.process.waitForFinished(15000);
    std::fprintf(stderr, "%s", sim.process.readAllStandardError().constData());
    return 0;
}
