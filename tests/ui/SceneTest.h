#pragma once

#include "app/AppCore.h"
#include "app/QmlFrontEnd.h"

#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QtTest>

#include <memory>

// The real scene over the real object graph, driven the way an operator
// does: items found by their names, clicked and dragged in the window.
class SceneTest : public QObject
{
protected:
    // The ceiling for work the simulator, FFmpeg, the display server or the
    // file system does, which a loaded machine makes many times slower.
    static constexpr int Slow = 30000;

    std::unique_ptr<QObject> m_owner;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    AppCore *m_core = nullptr;
    QQuickWindow *m_window = nullptr;
    QStringList m_warnings;

    SceneTest()
    {
        QmlFrontEnd::initResources();
        QmlFrontEnd::registerTypes();
    }

    // The operator's profile: a product chosen, a language, and nothing
    // streaming by itself.
    static void chooseProduct(const QString &model, bool chinese)
    {
        QSettings settings;
        settings.setValue(QStringLiteral("startup/hasProduct"), true);
        settings.setValue(QStringLiteral("startup/productId"), model);
        settings.setValue(QStringLiteral("startup/productName"), model);
        settings.setValue(QStringLiteral("startup/isChinese"), chinese);
        settings.setValue(QStringLiteral("video/autoStream_%1").arg(model), false);
    }

    // Loads the scene over m_core; true once its main page has settled (the
    // page stack takes no input while a page slides in).
    bool showScene()
    {
        m_engine = std::make_unique<QQmlApplicationEngine>();
        connect(m_engine.get(), &QQmlEngine::warnings, this, [this](const QList<QQmlError> &w) {
            for (const QQmlError &e : w)
                m_warnings << e.toString();
        });
        QmlFrontEnd::publish(m_engine->rootContext(), m_core, m_owner.get());
        m_engine->addImportPath(QStringLiteral("qrc:/qml"));
        m_engine->load(QUrl(QStringLiteral("qrc:/qml/main.qml")));
        if (m_engine->rootObjects().isEmpty())
            return false;
        m_window = qobject_cast<QQuickWindow *>(m_engine->rootObjects().first());
        if (!m_window)
            return false;
        m_window->show();
        const auto settled = [this] {
            return item("mainPage") && !item("pageStack")->property("busy").toBool();
        };
        return QTest::qWaitForWindowExposed(m_window, Slow) && QTest::qWaitFor(settled, Slow);
    }

    // The scene's pictures and textures go before the leak check of the
    // sanitizer run.
    void closeScene()
    {
        m_engine.reset();
        m_owner.reset();
        QmlFrontEnd::releaseSceneCaches();
    }

    // Every visible item of that name (delegates of repeaters are visual
    // children only, so the search walks the item tree; popups are in the
    // overlay beside the content).
    QList<QQuickItem *> items(const char *name) const
    {
        QList<QQuickItem *> out;
        QQuickItem *root = m_window->contentItem();
        collect(root->parentItem() ? root->parentItem() : root, QString::fromLatin1(name), out);
        return out;
    }
    QQuickItem *item(const char *name) const { return items(name).value(0); }
    QPoint centre(QQuickItem *it) const
    {
        return it->mapToScene(QPointF(it->width() / 2, it->height() / 2)).toPoint();
    }
    // Clicks the named item, scrolled into view first.
    bool click(const char *name)
    {
        QQuickItem *it = item(name);
        if (!it)
            return false;
        reveal(it);
        QTest::mouseClick(m_window, Qt::LeftButton, {}, centre(it));
        return true;
    }
    // A mouse event at an exact point of the window: the gestures on the
    // picture work in fractions of a pixel, QTest's mouse in whole ones.
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, at, m_window->mapToGlobal(at.toPoint()), button, held,
                          Qt::NoModifier);
        QGuiApplication::sendEvent(m_window, &event);
    }
    void drag(QPointF from, QPointF to)
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }

private:
    static void collect(QQuickItem *root, const QString &name, QList<QQuickItem *> &out)
    {
        if (!root || !root->isVisible())
            return;
        if (root->objectName() == name)
            out << root;
        const QList<QQuickItem *> children = root->childItems();
        for (QQuickItem *child : children)
            collect(child, name, out);
    }
    // Scrolls the control panel until the item is in view (the sections
    // are taller than the panel).
    void reveal(QQuickItem *it)
    {
        QQuickItem *scroller = item("sectionScroller");
        if (!scroller || !scroller->isAncestorOf(it))
            return;
        auto *content = scroller->property("contentItem").value<QQuickItem *>();
        const qreal y = it->mapToItem(content, QPointF(0, 0)).y();
        const qreal top = scroller->property("contentY").toReal();
        if (y >= top && y + it->height() <= top + scroller->height())
            return;
        const qreal most =
            qMax<qreal>(0, scroller->property("contentHeight").toReal() - scroller->height());
        scroller->setProperty(
            "contentY", qBound<qreal>(0, y + it->height() / 2 - scroller->height() / 2, most));
    }
};
