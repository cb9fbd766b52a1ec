#pragma once

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

private:
    void onFrameSwapped();
    void onDelayElapsed();
    void grab();

    QPointer<QQuickWindow> m_window;
    QString m_file;
    int m_delayMs;
    bool m_firstFrameSeen = false;
    bool m_waitingForGrabFrame = false;
    bool m_done = false;
    QTimer m_delay;
    QTimer m_fallback;
};
