#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QQuickWindow;

// Keeps the main window usable on whatever screen it lands on: the minimum
// size never exceeds the screen, the window fits inside the available area and
// sits in its centre. The arithmetic is separate from the window so it can be
// checked without a display.
//
// The minimum is the one place the window's minimum size is set. The scene
// says what it needs (its preferredMinimumWidth and preferredMinimumHeight
// properties); a window that says nothing gets the fallback below.
class WindowFitter
{
public:
    // Minimum size asked of a window that states none; smaller screens lower it.
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

    static Result
    compute(const QRect &available, const QSize &currentSize, bool maximizedOrFullScreen,
            const QSize &preferredMinimum = QSize(PreferredMinimumWidth, PreferredMinimumHeight));
    // What the window asks for as its minimum, or the fallback.
    static QSize preferredMinimum(const QQuickWindow *window);

    // Applies compute() to a window, touching only what changes. Uses the
    // window's screen, or the primary screen when it has none.
    static void fit(QQuickWindow *window);
};
