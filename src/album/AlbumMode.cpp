#include "album/AlbumMode.h"

#include "album/AlbumText.h"
#include "commands/GimbalController.h"
#include "state/GimbalState.h"

AlbumMode::AlbumMode(GimbalController *controller, const AlbumTimings &timings, QObject *parent)
    : QObject(parent), m_controller(controller), m_t(timings)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AlbumMode::onTimer);
    if (controller && controller->state())
        connect(controller->state(), &GimbalState::reportingChanged, this,
                &AlbumMode::onReportingChanged);
}

BilingualText AlbumMode::waitingText()
{
    return albumText("Waiting for album mode...", "正在等待相册模式就绪...");
}

void AlbumMode::begin()
{
    m_active = true;
    m_ready = false;
    m_cameraSilent = false;
    m_rejoining = false;
    m_rejoinedForRefusal = false;
    request();
}

void AlbumMode::end()
{
    m_timer.stop();
    ++m_serial;
    m_active = false;
    m_ready = false;
    m_pending = false;
    m_rejoining = false;
    m_cameraSilent = false;
}

void AlbumMode::request()
{
    ++m_serial;
    m_pending = true;
    m_resends = 0;
    if (m_controller)
        m_controller->playbackModeSet(true);
    m_timer.start(m_t.modeResendMs);
}

void AlbumMode::onTimer()
{
    if (!m_active || !m_pending || !m_controller)
        return;
    if (m_resends < m_t.modeResendCount) {
        // The request or its answer may have been lost on the way.
        ++m_resends;
        m_controller->playbackModeSet(true);
        m_timer.start(m_t.modeResendMs);
        return;
    }
    m_pending = false;
    emit failed(albumText("The device did not answer the album mode request; check the connection",
                          "设备未响应相册模式请求，请检查连接"));
    giveUpRejoin();
}

void AlbumMode::onAnswer(quint16 code)
{
    if (!m_active || !m_pending)
        return; // a repeated answer to a resent request
    m_pending = false;
    m_timer.stop();
    if (code >= 2) {
        emit failed(
            albumText("Failed to enter album mode (code=%1)", "进入相册模式失败 (code=%1)", code));
        giveUpRejoin();
        return;
    }
    emit status(waitingText());
    emit accepted();
    const quint64 serial = m_serial;
    QTimer::singleShot(m_t.albumReadyDelayMs, this, [this, serial] {
        if (!m_active || serial != m_serial)
            return; // asked again meanwhile: that answer counts
        m_ready = true;
        const bool again = m_rejoining;
        m_rejoining = false;
        emit entered(again);
    });
}

void AlbumMode::onReportingChanged()
{
    if (!m_active || !m_controller)
        return;
    if (!m_controller->state()->reporting()) {
        m_cameraSilent = true;
        return;
    }
    if (!m_cameraSilent)
        return;
    // Back after a silence: a restart (an upgrade, a power cut) leaves album
    // mode, and every list and file asked for outside it would be refused.
    m_cameraSilent = false;
    rejoin();
}

bool AlbumMode::rejoinAfterRefusal(quint16 code)
{
    if (!m_active || code != NotReady || m_rejoinedForRefusal || m_rejoining)
        return false;
    m_rejoinedForRefusal = true;
    rejoin();
    return true;
}

void AlbumMode::rejoin()
{
    m_ready = false;
    m_rejoining = true;
    request(); // before anything else goes out
    emit status(waitingText());
    emit rejoinStarted();
}

void AlbumMode::giveUpRejoin()
{
    if (!m_rejoining)
        return;
    m_rejoining = false;
    emit rejoinGivenUp();
}
