#include "app/AppKeyFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>

AppKeyFilter::AppKeyFilter(QObject *parent) : QObject(parent)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

AppKeyFilter::~AppKeyFilter()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool AppKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    // One keystroke is first delivered to its top-level window, which then
    // passes the same event on to the focused item (and, unaccepted, to that
    // item's parents). Reporting it only at the window keeps one signal per
    // keystroke instead of one per hop.
    if (!qobject_cast<QWindow *>(watched))
        return false;
    const auto *keyEvent = static_cast<QKeyEvent *>(event);
    if (keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (type == QEvent::KeyPress)
        emit pressed(keyEvent->key(), keyEvent->isAutoRepeat());
    else
        emit released(keyEvent->key(), keyEvent->isAutoRepeat());
    return false;
}
