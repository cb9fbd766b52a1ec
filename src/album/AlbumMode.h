#pragma once

#include "album/AlbumTimings.h"
#include "link/BilingualText.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class GimbalController;

// The camera's album mode while the album is open: asked for, asked again
// while unanswered, and taken as entered a moment after the camera agrees.
// A camera that restarted (its reports stopped and came back) or that says
// it is not ready has left album mode; it is asked to enter it again before
// anything else goes out. What the album does meanwhile is the bridge's: this
// part only tells when.
class AlbumMode : public QObject
{
    Q_OBJECT
public:
    // The camera's "not ready" answer, which is also what it gives to album
    // requests outside album mode.
    static constexpr quint16 NotReady = 4;

    AlbumMode(GimbalController *controller, const AlbumTimings &timings, QObject *parent = nullptr);

    // The album opened: album mode is asked for.
    void begin();
    // The album closed: nothing more is asked or told.
    void end();
    // Asks (again) for album mode.
    void request();
    // The camera's answer to the album mode request.
    void onAnswer(quint16 code);
    // An album request was refused: perhaps the camera left album mode
    // unnoticed. Entered again once until something succeeds; true when so.
    bool rejoinAfterRefusal(quint16 code);
    // Something the camera was asked for in album mode succeeded.
    void succeeded() { m_rejoinedForRefusal = false; }

    // What the album says while album mode is on its way.
    static BilingualText waitingText();

    bool ready() const { return m_ready; }
    bool pending() const { return m_pending; }
    // Entering album mode again: nothing else may go out.
    bool rejoining() const { return m_rejoining; }

signals:
    void status(const BilingualText &text);
    // The camera did not enter album mode; any rejoin has ended first.
    void failed(const BilingualText &text);
    // The camera agreed; album mode is ready after a moment.
    void accepted();
    // Album mode is entered: first after the album opened, or again after a
    // rejoin (`again`).
    void entered(bool again);
    // Entering album mode again begins: what is in flight must wait.
    void rejoinStarted();
    // A rejoin that failed is over: what waited goes on, and fails on its own
    // if it must.
    void rejoinGivenUp();

private:
    void onTimer();
    void onReportingChanged();
    void rejoin();
    void giveUpRejoin();

    QPointer<GimbalController> m_controller;
    AlbumTimings m_t;
    QTimer m_timer;
    bool m_active = false;
    bool m_ready = false;
    bool m_pending = false;
    int m_resends = 0;
    quint64 m_serial = 0;              // changes with every request and on end()
    bool m_cameraSilent = false;       // its reports stopped while the album was open
    bool m_rejoining = false;          // album mode entered again: nothing else goes out
    bool m_rejoinedForRefusal = false; // since the last success
};
