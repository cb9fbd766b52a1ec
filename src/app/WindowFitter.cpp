#include "app/WindowFitter.h"

#include <QGuiApplication>
#include <QQuickWindow>
#include <QScreen>

#include <algorithm>

WindowFitter::Result WindowFitter::compute(const QRect &available, const QSize &currentSize,
                                           bool maximizedOrFullScreen,
                                           const QSize &preferredMinimum)
{
    Result result;
    if (!available.isValid() || available.width() < SmallestUsableScreen ||
        available.height() < SmallestUsableScreen)
        return result;

    result.applies = true;
    result.minimumSize = QSize(std::min(available.width(), preferredMinimum.width()),
                               std::min(available.height(), preferredMinimum.height()));
    if (maximizedOrFullScreen)
        return result;

    result.placeWindow = true;
    const int width =
        std::max(std::min(currentSize.width(), available.width()), result.minimumSize.width());
    const int height =
        std::max(std::min(currentSize.height(), available.height()), result.minimumSize.height());
    result.size = QSize(width, height);
    result.position = QPoint(available.left() + std::max((available.width() - width) / 2, 0),
                             available.top() + std::max((available.height() - height) / 2, 0));
    return result;
}

QSize WindowFitter::preferredMinimum(const QQuickWindow *window)
{
    const int width = window ? window->property("preferredMinimumWidth").toInt() : 0;
    const int height = window ? window->property("preferredMinimumHeight").toInt() : 0;
    return QSize(width > 0 ? width : PreferredMinimumWidth,
                 height > 0 ? height : PreferredMinimumHeight);
}

void WindowFitter::fit(QQuickWindow *window)
{
    if (!window)
        return;
    QScreen *screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;

    const Qt::WindowStates states = window->windowStates();
    const bool keepGeometry = states & (Qt::WindowMaximized | Qt::WindowFullScreen);
    const Result result = compute(screen->availableGeometry(), window->size(), keepGeometry,
                                  preferredMinimum(window));
    if (!result.applies)
        return;

    if (window->minimumWidth() != result.minimumSize.width())
        window->setMinimumWidth(result.minimumSize.width());
    if (window->minimumHeight() != result.minimumSize.height())
        window->setMinimumHeight(result.minimumSize.height());
    if (!result.placeWindow)
        return;
    if (window->size() != result.size)
        window->resize(result.size);
    window->setPosition(result.position);
}
