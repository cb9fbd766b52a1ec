#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QQuickWindow;

// `skyrig --screenshot FILE`: once the window has drawn its first frame
// (announced on the error output as "skyrig: first frame drawn"), waits the
// given delay, grabs the window after one more frame and saves it
// to FILE, then ends the program (exit code 0, or 1 when the picture could
// not be saved).
class ScreenshotTaker : public QObject
{
    Q_OBJECT
public:
    // How long to wait for a frame before grabbing anyway (a hidden or
    // unexposed window never swaps).
    static constexpr int FrameWaitMs = 4000;

    ScreenshotTaker(QQuickWindow *window, const QString &file, int delayMs,
                    QObject *parent = nullptr);

    // Milliseconds from construction to the first drawn frame; -1 before it.
    qint64 firstFrameMs() const { return m_firstFrameMs; }

signals:
    void saved(QString file);
    void failed(QString reason);

private:
    void onFrameSwapped();
    void onDelayElapsed();
    void grab();

    QPointer<QQuickWindow> m_window;
    QString m_file;
    int m_delayMs;
    qint64 m_firstFrameMs = -1;
    bool m_waitingForGrabFrame = false;
    bool m_done = false;
    QTimer m_delay;
    QTimer m_fallback;
    QElapsedTimer m_clock;
};
