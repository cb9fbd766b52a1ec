#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>

class QEvent;
class QKeyEvent;
class QQuickItem;
class QQuickWindow;
class QWindow;

// Decides which keystrokes of the application are free to steer, and
// reports them; it never consumes an event.
//
// A key press is reported (pressed) only when it reached one of the
// program's scene windows and nothing there took it: the focused control and
// its parents all passed it on, no popup of that window is open, no modal
// window is open, and no Control, Alt or Meta is held (Shift and keypad are
// allowed). A focused control also owns the keys it uses even when it passes
// a particular one on: arrow keys, Home, End and the page keys for combo
// boxes, sliders, spin boxes, dials, text fields and lists; typed characters
// for text fields and combo boxes (which search their entries by them).
// Keys typed into any other window, a dialog of the program for example,
// are never reported.
//
// Every key release is reported (released), whatever is held with it and
// wherever it went, so whatever a press started always ends.
//
// interrupted() tells that the keyboard's context changed under held keys:
// the focus moved to another window or none, a modal window or a popup
// opened. Whoever acts on held keys lets them go.
class AppKeyFilter : public QObject
{
    Q_OBJECT
public:
    explicit AppKeyFilter(QObject *parent = nullptr);
    ~AppKeyFilter() override;

    // Whether `item`, having the focus, owns the key of `event`.
    static bool ownsKey(const QQuickItem *item, const QKeyEvent *event);
    static bool isNavigationKey(int key);
    // Whether a popup (other than a tool tip) of `window` is open.
    static bool hasOpenPopup(const QQuickWindow *window);

signals:
    void pressed(int key, bool autoRepeat);
    void released(int key, bool autoRepeat);
    void interrupted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pressReachedScene(QQuickWindow *window, QKeyEvent *event);
    void watchPopups(QQuickWindow *window);
    void onPopupsChanged();

    // The press being delivered, until it reaches its window's root item.
    QKeyEvent *m_pending = nullptr;
    QPointer<QQuickWindow> m_pendingWindow;
    QSet<QObject *> m_watchedOverlays;
    bool m_popupOpen = false;
};
