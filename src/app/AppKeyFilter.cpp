#include "app/AppKeyFilter.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QQuickItem>
#include <QQuickWindow>

namespace
{

QQuickItem *overlayOf(const QQuickWindow *window)
{
    if (!window || !window->contentItem())
        return nullptr;
    for (QQuickItem *child : window->contentItem()->childItems()) {
        if (child->inherits("QQuickOverlay"))
            return child;
    }
    return nullptr;
}

} // namespace

AppKeyFilter::AppKeyFilter(QObject *parent) : QObject(parent)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
    if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        // Windows shown before the filter existed; later ones are met when
        // they show or take the focus.
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (auto *scene = qobject_cast<QQuickWindow *>(window))
                watchPopups(scene);
        }
        connect(gui, &QGuiApplication::focusWindowChanged, this, &AppKeyFilter::interrupted);
        connect(gui, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state != Qt::ApplicationActive)
                        emit interrupted();
                });
    }
}

AppKeyFilter::~AppKeyFilter()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool AppKeyFilter::isNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

bool AppKeyFilter::ownsKey(const QQuickItem *item, const QKeyEvent *event)
{
    if (!item)
        return false;
    const auto isOne = [item](std::initializer_list<const char *> classes) {
        for (const char *name : classes) {
            if (item->inherits(name))
                return true;
        }
        return false;
    };
    // Text fields (also inside spin boxes and editable combo boxes) and
    // combo boxes, which search their entries by the characters typed.
    if (!event->text().isEmpty() && event->text().at(0).isPrint() &&
        isOne({"QQuickTextInput", "QQuickTextEdit", "QQuickComboBox"}))
        return true;
    return isNavigationKey(event->key()) &&
           isOne({"QQuickTextInput", "QQuickTextEdit", "QQuickComboBox", "QQuickSlider",
                  "QQuickRangeSlider", "QQuickSpinBox", "QQuickDial", "QQuickTumbler",
                  "QQuickItemView", "QQuickPathView"});
}

bool AppKeyFilter::hasOpenPopup(const QQuickWindow *window)
{
    const QQuickItem *overlay = overlayOf(window);
    if (!overlay)
        return false;
    // An open popup's item sits in its window's overlay; a closed one leaves
    // it. Tool tips come and go with the pointer and take no keys.
    for (const QQuickItem *child : overlay->childItems()) {
        if (child->isVisible() && !(child->parent() && child->parent()->inherits("QQuickToolTip")))
            return true;
    }
    return false;
}

void AppKeyFilter::watchPopups(QQuickWindow *window)
{
    QQuickItem *overlay = overlayOf(window);
    if (!overlay || m_watchedOverlays.contains(overlay))
        return;
    m_watchedOverlays.insert(overlay);
    // A popup's item joins the overlay, then turns visible.
    connect(overlay, &QQuickItem::childrenChanged, this, &AppKeyFilter::onPopupsChanged);
    connect(overlay, &QQuickItem::visibleChildrenChanged, this, &AppKeyFilter::onPopupsChanged);
    connect(overlay, &QObject::destroyed, this,
            [this](QObject *gone) { m_watchedOverlays.remove(gone); });
}

void AppKeyFilter::onPopupsChanged()
{
    bool open = false;
    for (QObject *overlay : qAsConst(m_watchedOverlays)) {
        auto *item = qobject_cast<QQuickItem *>(overlay);
        open = open || (item && hasOpenPopup(item->window()));
    }
    if (open && !m_popupOpen)
        emit interrupted();
    m_popupOpen = open;
}

bool AppKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowBlocked) {
        // A modal window opened over one of ours.
        emit interrupted();
        return false;
    }
    if (type == QEvent::FocusIn || type == QEvent::Show) {
        // Popups can open while a key is held: watch every scene window's.
        if (auto *scene = qobject_cast<QQuickWindow *>(watched))
            watchPopups(scene);
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    auto *keyEvent = static_cast<QKeyEvent *>(event);

    // One keystroke is first delivered to its window, which passes it to the
    // focused item and, while nobody accepts it, to that item's parents.
    if (auto *window = qobject_cast<QWindow *>(watched)) {
        if (type == QEvent::KeyRelease) {
            emit released(keyEvent->key(), keyEvent->isAutoRepeat());
            return false;
        }
        m_pending = nullptr;
        m_pendingWindow = nullptr;
        // Only the scene's windows steer; another window (a dialog) never.
        auto *scene = qobject_cast<QQuickWindow *>(window);
        if (!scene)
            return false;
        watchPopups(scene);
        if (!scene->activeFocusItem()) {
            // Nothing in the window will see it.
            pressReachedScene(scene, keyEvent);
            return false;
        }
        m_pending = keyEvent;
        m_pendingWindow = scene;
        return false;
    }
    // The press reached the root of its window's items: nobody took it.
    if (type == QEvent::KeyPress && keyEvent == m_pending && m_pendingWindow &&
        watched == m_pendingWindow->contentItem()) {
        m_pending = nullptr;
        pressReachedScene(m_pendingWindow, keyEvent);
    }
    return false;
}

void AppKeyFilter::pressReachedScene(QQuickWindow *window, QKeyEvent *event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return;
    if (QGuiApplication::modalWindow() || hasOpenPopup(window))
        return;
    if (ownsKey(window->activeFocusItem(), event))
        return;
    emit pressed(event->key(), event->isAutoRepeat());
}
