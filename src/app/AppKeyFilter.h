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
// allowed). Arrow keys, Home, End and the page keys belong to a focused
// control that uses them (combo box, slider, spin box, dial, text field,
// list) even when it passes a particular one on. Keys typed into any other
// window, a dialog of the program for example, are never reported.
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

    // Whether `item` with the focus owns the navigation keys.
    static bool usesNavigationKeys(const QQuickItem *item);
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
