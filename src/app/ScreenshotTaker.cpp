#include "app/ScreenshotTaker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QQuickWindow>

#include <cstdio>

ScreenshotTaker::ScreenshotTaker(QQuickWindow *window, const QString &file, int delayMs,
                                 QObject *parent)
    : QObject(parent), m_window(window), m_file(file), m_delayMs(delayMs)
{
    m_delay.setSingleShot(true);
    connect(&m_delay, &QTimer::timeout, this, &ScreenshotTaker::onDelayElapsed);
    m_fallback.setSingleShot(true);
    connect(&m_fallback, &QTimer::timeout, this, &ScreenshotTaker::grab);
    if (window) {
        connect(window, &QQuickWindow::frameSwapped, this, &ScreenshotTaker::onFrameSwapped,
                Qt::QueuedConnection);
    }
    // Grab even when no frame is ever reported.
    m_fallback.start(delayMs + FrameWaitMs);
}

void ScreenshotTaker::onFrameSwapped()
{
    if (m_done)
        return;
    if (!m_firstFrameSeen) {
        m_firstFrameSeen = true;
        // Said at once, so whoever started the program (the start-up
        // benchmark) learns the moment of the first frame.
        std::fprintf(stderr, "skyrig: first frame drawn\n");
        std::fflush(stderr);
        m_delay.start(m_delayMs);
        return;
    }
    if (m_waitingForGrabFrame)
        grab();
}

void ScreenshotTaker::onDelayElapsed()
{
    if (m_done || !m_window)
        return;
    // One more frame, so the picture shows what was current at the deadline.
    m_waitingForGrabFrame = true;
    m_window->update();
}

void ScreenshotTaker::grab()
{
    if (m_done)
        return;
    m_done = true;
    m_delay.stop();
    m_fallback.stop();
    if (!m_window) {
        std::fprintf(stderr, "skyrig: no window to grab\n");
        QCoreApplication::exit(1);
        return;
    }
    const QImage image = m_window->grabWindow();
    const QFileInfo info(m_file);
    QDir().mkpath(info.absolutePath());
    if (image.isNull() || !image.save(m_file)) {
        const QString reason = QStringLiteral("cannot save the screenshot to %1").arg(m_file);
        std::fprintf(stderr, "skyrig: %s\n", reason.toLocal8Bit().constData());
        QCoreApplication::exit(1);
        return;
    }
    QCoreApplication::exit(0);
}
