#include "app/FramelessHelper.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainterPath>
#include <QPolygon>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>

#ifdef Q_OS_WIN
#include <dwmapi.h>
#include <windows.h>
#include <windowsx.h>
#endif

FramelessHelper::FramelessHelper(QObject *parent) : QObject(parent)
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

FramelessHelper::~FramelessHelper()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

int FramelessHelper::bandWidth(int borderWidth, qreal devicePixelRatio)
{
    return std::max(int(std::trunc(borderWidth * devicePixelRatio)), 4);
}

FramelessHelper::Hit FramelessHelper::hitTest(int lx, int ly, int width, int height, int band)
{
    const bool onLeft = lx >= 0 && lx < band;
    const bool onRight = lx >= width - band && lx < width;
    const bool onTop = ly >= 0 && ly < band;
    const bool onBottom = ly >= height - band && ly < height;
    if (onTop && onLeft)
        return HitTopLeft;
    if (onTop && onRight)
        return HitTopRight;
    if (onBottom && onLeft)
        return HitBottomLeft;
    if (onBottom && onRight)
        return HitBottomRight;
    if (onLeft)
        return HitLeft;
    if (onRight)
        return HitRight;
    if (onTop)
        return HitTop;
    if (onBottom)
        return HitBottom;
    return HitNone;
}

Qt::Edges FramelessHelper::edgesFor(Hit hit)
{
    switch (hit) {
    case HitTopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case HitTopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case HitBottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case HitBottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    case HitLeft:
        return Qt::LeftEdge;
    case HitRight:
        return Qt::RightEdge;
    case HitTop:
        return Qt::TopEdge;
    case HitBottom:
        return Qt::BottomEdge;
    default:
        return {};
    }
}

bool FramelessHelper::maskCleared(bool enabled, bool maximised, int cornerRadius)
{
    return !enabled || maximised || cornerRadius < 1;
}

bool FramelessHelper::roundedMask(const QSize &size, int cornerRadius, QRegion *mask)
{
    const int w = size.width();
    const int h = size.height();
    if (w < 3 || h < 3)
        return false;
    const qreal r = std::min<qreal>(cornerRadius, 0.5 * std::min(w, h));
    QPainterPath path;
    path.addRoundedRect(QRectF(0.5, 0.5, w - 1.0, h - 1.0), r, r);
    if (mask)
        *mask = QRegion(path.toFillPolygon().toPolygon(), Qt::OddEvenFill);
    return true;
}

void FramelessHelper::setWindow(QWindow *window)
{
    if (m_window == window)
        return;
    if (m_window)
        disconnect(m_window, nullptr, this, nullptr);
    m_window = window;
    m_handle = 0;
    m_devicePixelRatio = 1.0;
    if (window) {
        connect(window, &QWindow::visibilityChanged, this, &FramelessHelper::onWindowCreated);
        connect(window, &QWindow::visibilityChanged, this,
                &FramelessHelper::onGeometryOrVisibilityChanged);
        connect(window, &QWindow::activeChanged, this, &FramelessHelper::onWindowCreated);
        connect(window, &QWindow::screenChanged, this, &FramelessHelper::onScreenChanged);
        connect(window, &QWindow::widthChanged, this,
                &FramelessHelper::onGeometryOrVisibilityChanged);
        connect(window, &QWindow::heightChanged, this,
                &FramelessHelper::onGeometryOrVisibilityChanged);
        if (window->handle())
            refreshHandle();
    }
    emit windowChanged();
}

void FramelessHelper::setBorderWidth(int width)
{
    if (m_borderWidth == width)
        return;
    m_borderWidth = width;
    emit borderWidthChanged();
}

void FramelessHelper::setCornerRadius(int radius)
{
    radius = std::max(radius, 0);
    if (m_cornerRadius == radius)
        return;
    m_cornerRadius = radius;
    applyCornerPreference();
    updateRoundedMask();
    emit cornerRadiusChanged();
}

void FramelessHelper::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (!enabled && m_resizing)
        setResizing(false);
    applyCornerPreference();
    updateRoundedMask();
    emit enabledChanged();
}

void FramelessHelper::setResizing(bool resizing)
{
    if (m_resizing == resizing)
        return;
    m_resizing = resizing;
    emit resizingChanged();
}

void FramelessHelper::onWindowCreated()
{
    if (!m_window || !m_window->handle())
        return;
    refreshHandle();
    disconnect(m_window, &QWindow::visibilityChanged, this, &FramelessHelper::onWindowCreated);
    disconnect(m_window, &QWindow::activeChanged, this, &FramelessHelper::onWindowCreated);
}

void FramelessHelper::onScreenChanged()
{
    if (m_window)
        m_devicePixelRatio = m_window->devicePixelRatio();
    updateRoundedMask();
}

void FramelessHelper::onGeometryOrVisibilityChanged()
{
    updateRoundedMask();
    applyCornerPreference();
}

void FramelessHelper::refreshHandle()
{
    if (!m_window || !m_window->handle())
        return;
    m_handle = quintptr(m_window->winId());
    m_devicePixelRatio = m_window->devicePixelRatio();
    applyCornerPreference();
    updateRoundedMask();
}

void FramelessHelper::applyCornerPreference()
{
#ifdef Q_OS_WIN
    if (!m_handle)
        return;
    const DWORD attribute = 33; // DWMWA_WINDOW_CORNER_PREFERENCE
    const int preference = (m_enabled && m_cornerRadius >= 1) ? 2 : 1;
    DwmSetWindowAttribute(reinterpret_cast<HWND>(m_handle), attribute, &preference,
                          sizeof(preference));
#endif
}

bool FramelessHelper::windowMaximised() const
{
    if (!m_window)
        return false;
#ifdef Q_OS_WIN
    if (m_handle && IsZoomed(reinterpret_cast<HWND>(m_handle)))
        return true;
#endif
    const QWindow::Visibility v = m_window->visibility();
    return v == QWindow::Maximized || v == QWindow::FullScreen;
}

void FramelessHelper::updateRoundedMask()
{
    // Platforms that show nothing have no window shape either (they would
    // only warn that they cannot set one).
    const QString platform = QGuiApplication::platformName();
    if (!m_window || platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return;
    if (maskCleared(m_enabled, windowMaximised(), m_cornerRadius)) {
        m_window->setMask(QRegion());
        return;
    }
    QRegion mask;
    if (roundedMask(m_window->geometry().size(), m_cornerRadius, &mask))
        m_window->setMask(mask);
}

int FramelessHelper::edgesAt(qreal x, qreal y) const
{
    if (!m_enabled || !m_window || windowMaximised())
        return 0;
    const qreal dpr = m_window->devicePixelRatio();
    const Hit hit = hitTest(int(x * dpr), int(y * dpr), int(m_window->width() * dpr),
                            int(m_window->height() * dpr), bandWidth(m_borderWidth, dpr));
    return int(edgesFor(hit));
}

void FramelessHelper::startSystemMove()
{
    if (!m_enabled || !m_window)
        return;
#ifdef Q_OS_WIN
    if (!m_handle)
        refreshHandle();
    if (!m_handle)
        return;
    HWND hwnd = reinterpret_cast<HWND>(m_handle);
    if (IsZoomed(hwnd))
        return;
    ReleaseCapture();
    SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
#else
    if (windowMaximised())
        return;
    m_window->startSystemMove();
#endif
}

bool FramelessHelper::startSystemResize(int edges)
{
    if (!m_enabled || !m_window || edges == 0 || windowMaximised())
        return false;
    return m_window->startSystemResize(Qt::Edges(edges));
}

bool FramelessHelper::nativeEventFilter(const QByteArray &eventType, void *message, long *result)
{
#ifdef Q_OS_WIN
    if (!m_enabled || eventType != "windows_generic_MSG" || !m_handle || !message)
        return false;
    MSG *msg = static_cast<MSG *>(message);
    HWND hwnd = reinterpret_cast<HWND>(m_handle);
    if (msg->hwnd != hwnd)
        return false;
    switch (msg->message) {
    case WM_ENTERSIZEMOVE:
        return false;
    case WM_EXITSIZEMOVE:
        setResizing(false);
        updateRoundedMask();
        return false;
    case WM_SIZING:
        setResizing(true);
        return false;
    case WM_NCHITTEST: {
        if (IsZoomed(hwnd))
            return false;
        const int x = GET_X_LPARAM(msg->lParam);
        const int y = GET_Y_LPARAM(msg->lParam);
        RECT rect;
        if (!GetWindowRect(hwnd, &rect))
            return false;
        const Hit hit =
            hitTest(x - rect.left, y - rect.top, rect.right - rect.left, rect.bottom - rect.top,
                    bandWidth(m_borderWidth, m_devicePixelRatio));
        if (hit == HitNone)
            return false;
        if (result)
            *result = hit;
        return true;
    }
    default:
        return false;
    }
#else
    Q_UNUSED(eventType)
    Q_UNUSED(message)
    Q_UNUSED(result)
    return false;
#endif
}
