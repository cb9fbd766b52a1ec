#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QQuickWindow;

// Keeps the main window usable on whatever screen it lands on: the minimum
// size never exceeds the screen, the window fits inside the available area and
// sits in its centre. The arithmetic is separate from the window so it can be
// checked without a display.
class WindowFitter
{
public:
    // Largest minimum size asked of any screen; smaller screens lower it.
    static constexpr int PreferredMinimumWidth = 800;
    static constexpr int PreferredMinimumHeight = 480;
    // Screens reporting less than this are treated as not yet known.
    static constexpr int SmallestUsableScreen = 64;

    struct Result {
        // False: the screen area is unusable and the window is left alone.
        bool applies = false;
        QSize minimumSize;
        // False for a maximized or full-screen window: only the minimum changes.
        bool placeWindow = false;
        QSize size;
        QPoint position;
    };

    static Result compute(const QRect &available, const QSize &currentSize,
                          bool maximizedOrFullScreen);

    // Applies compute() to a window, touching only what changes. Uses the
    // window's screen, or the primary screen when it has none.
    static void fit(QQuickWindow *window);
};
