#include "app/AppCore.h"
#include "app/QmlFrontEnd.h"
#include "catalog/AppSettingsBridge.h"
#include "commands/GimbalController.h"
#include "common/TestMain.h"
#include "integration/CamsimHarness.h"
#include "link/ConnectionBridge.h"
#include "state/GimbalState.h"

#include <QImage>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace camsim_test;

// The operator's interface end to end: the real scene and object graph,
// started with a settings profile that points at the simulator, driven by
// mouse and keyboard the way an operator would, and read back from the
// simulator's own reports. Each state's picture is checked for "something
// sensible is drawn".
class UiEndToEndTest : public QObject
{
    Q_OBJECT

    SimProcess m_sim;
    quint16 m_rtspPort = 0;
    QTemporaryDir m_logs;
    std::unique_ptr<QObject> m_owner;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    AppCore *m_core = nullptr;
    QQuickWindow *m_window = nullptr;
    QStringList m_warnings;

    // Delegates of repeaters are visual children only, so the search walks
    // the item tree (the first visible match wins).
    static QQuickItem *findItem(QQuickItem *root, const QString &name)
    {
        if (!root)
            return nullptr;
        if (root->objectName() == name && root->isVisible())
            return root;
        const QList<QQuickItem *> children = root->childItems();
        for (QQuickItem *child : children)
            if (QQuickItem *found = findItem(child, name))
                return found;
        return nullptr;
    }
    QQuickItem *item(const char *name) const
    {
        QQuickItem *root = m_window->contentItem();
        if (root->parentItem())
            root = root->parentItem();
        return findItem(root, QString::fromLatin1(name));
    }
    QPoint centre(QQuickItem *it) const
    {
        return it->mapToScene(QPointF(it->width() / 2, it->height() / 2)).toPoint();
    }
    bool click(const char *name)
    {
        QQuickItem *it = item(name);
        if (!it || !it->isVisible())
            return false;
        QTest::mouseClick(m_window, Qt::LeftButton, {}, centre(it));
        return true;
    }

    // A picture of the window that is not blank: many colours, some light
    // (text) and some dark (surfaces).
    static bool sensible(const QImage &image, QString *why)
    {
        if (image.isNull() || image.width() < 200 || image.height() < 150) {
            *why = QStringLiteral("no picture");
            return false;
        }
        QSet<QRgb> colours;
        int light = 0;
        int dark = 0;
        for (int y = 0; y < image.height(); y += 3) {
            for (int x = 0; x < image.width(); x += 3) {
                const QRgb c = image.pixel(x, y);
                colours.insert(c & 0xF0F0F0);
                const int v = qGray(c);
                light += v > 170;
                dark += v < 60;
            }
        }
        *why = QStringLiteral("%1 colours, %2 light, %3 dark")
                   .arg(colours.size())
                   .arg(light)
                   .arg(dark);
        return colours.size() > 24 && light > 50 && dark > 1000;
    }
    void shot(const QString &name)
    {
        const QImage image = m_window->grabWindow();
        QString why;
        QVERIFY2(sensible(image, &why), qPrintable(name + QStringLiteral(": ") + why));
        const QString dir = qEnvironmentVariable("SKYRIG_E2E_SHOTS");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            image.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
        }
    }
    GimbalState *state() const { return m_core->gimbalState(); }
    static QString model()
    {
        const QString m = qEnvironmentVariable("SKYRIG_E2E_MODEL");
        return m.isEmpty() ? QStringLiteral("Otter") : m;
    }

private slots:
    void initTestCase()
    {
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            m_rtspPort = probe.serverPort();
        }
        QString error;
        QVERIFY2(m_sim.start({QStringLiteral("--rtsp-port"), QString::number(m_rtspPort),
                              QStringLiteral("--model"), model()},
                             &error),
                 qPrintable(error));

        // The operator's profile: a product chosen, English, the UDP
        // endpoint of the simulator and its stream.
        QSettings settings;
        settings.setValue(QStringLiteral("startup/hasProduct"), true);
        settings.setValue(QStringLiteral("startup/productId"), model());
        settings.setValue(QStringLiteral("startup/productName"), model());
        settings.setValue(QStringLiteral("startup/isChinese"), false);
        settings.setValue(QStringLiteral("Connection/%1_udpIp").arg(model()),
                          QStringLiteral("127.0.0.1"));
        settings.setValue(QStringLiteral("Connection/%1_udpPort").arg(model()), int(m_sim.port));
        settings.setValue(QStringLiteral("Connection/%1_connectionTab").arg(model()), 1);
        settings.setValue(QStringLiteral("Video/urls_%1").arg(model()),
                          QStringList{QStringLiteral("rtsp://127.0.0.1:%1/test").arg(m_rtspPort)});
        settings.sync();

        QmlFrontEnd::initResources();
        QmlFrontEnd::registerTypes();
        m_owner = std::make_unique<QObject>();
        m_core = new AppCore(m_owner.get(), m_logs.path());
        m_engine = std::make_unique<QQmlApplicationEngine>();
        connect(m_engine.get(), &QQmlEngine::warnings, this, [this](const QList<QQmlError> &w) {
            for (const QQmlError &e : w)
                m_warnings << e.toString();
        });
        QmlFrontEnd::publish(m_engine->rootContext(), m_core, m_owner.get());
        m_engine->addImportPath(QStringLiteral("qrc:/qml"));
        m_engine->load(QUrl(QStringLiteral("qrc:/qml/main.qml")));
        QVERIFY(!m_engine->rootObjects().isEmpty());
        m_window = qobject_cast<QQuickWindow *>(m_engine->rootObjects().first());
        QVERIFY(m_window);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        QTRY_VERIFY(item("mainPage"));
        // The page stack takes no input while a page slides in.
        QTRY_VERIFY(!item("pageStack")->property("busy").toBool());
    }

    void connectsOverUdp()
    {
        QVERIFY(click("nav_1"));
        QTRY_VERIFY(item("udpConnect") && item("udpConnect")->isVisible());
        QTRY_VERIFY(click("udpConnect"));
        QTRY_VERIFY_WITH_TIMEOUT(m_core->controller()->handshakeReady(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(state()->connected(), 3000);
        shot(QStringLiteral("check-link"));
    }

    void padAndKeysMoveTheGimbal()
    {
        QVERIFY(m_core->controller()->handshakeReady());
        QVERIFY(click("nav_2"));
        QTRY_VERIFY(item("padUp") && item("padUp")->isVisible());
        const float pitch = state()->pitchJoint();
        const QPoint up = centre(item("padUp"));
        QTest::mousePress(m_window, Qt::LeftButton, {}, up);
        QTRY_VERIFY_WITH_TIMEOUT(state()->pitchJoint() > pitch + 2.0f, 5000);
        QTest::mouseRelease(m_window, Qt::LeftButton, {}, up);
        // Released: the gimbal comes to rest.
        float last = state()->pitchJoint();
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const float now = state()->pitchJoint();
                const bool still = qAbs(now - last) < 0.05f;
                last = now;
                return still;
            }(),
            3000);

        // The keyboard through the application key filter: Right turns yaw.
        const float yaw = state()->yawJoint();
        QTest::keyPress(m_window, Qt::Key_Right);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(state()->yawJoint() - yaw) > 2.0f, 5000);
        QTest::keyRelease(m_window, Qt::Key_Right);
        shot(QStringLiteral("check-gimbal"));
    }

    // Every section the product has, in both languages; with SKYRIG_E2E_SHOTS
    // set, these are the README's pictures (scripts/screenshots.sh).
    void everySectionInBothLanguages()
    {
        const QList<QPair<int, QString>> sections = {
            {1, QStringLiteral("link")},     {2, QStringLiteral("gimbal")},
            {3, QStringLiteral("camera")},   {9, QStringLiteral("range")},
            {4, QStringLiteral("channels")}, {5, QStringLiteral("network")},
            {6, QStringLiteral("ai")},       {7, QStringLiteral("osd")},
            {8, QStringLiteral("device")}};
        QObject *settings = m_core->appSettings();
        for (const bool zh : {false, true}) {
            QMetaObject::invokeMethod(settings, "setIsChinese", Q_ARG(bool, zh));
            const QString lang = zh ? QStringLiteral("zh") : QStringLiteral("en");
            // Home leads back to the product picker; confirming returns.
            QVERIFY(click("nav_0"));
            QTRY_VERIFY(item("productPicker") && !item("mainPage") &&
                        !item("pageStack")->property("busy").toBool());
            shot(lang + QStringLiteral("-picker"));
            QTRY_VERIFY(!item("pageStack")->property("busy").toBool());
            QVERIFY(click("confirmProduct"));
            QTRY_VERIFY(item("mainPage") && !item("pageStack")->property("busy").toBool());
            for (const auto &section : sections) {
                const QByteArray nav = "nav_" + QByteArray::number(section.first);
                if (!item(nav.constData()))
                    continue; // not a section of this product
                QSignalSpy versions(state(), &GimbalState::versionInfoChanged);
                QVERIFY(click(nav.constData()));
                QTRY_VERIFY(item("sectionLoader")->property("status").toInt() == 1);
                if (section.first == 8)
                    QTRY_VERIFY_WITH_TIMEOUT(versions.count() > 0, 3000);
                QTRY_VERIFY(
                    item("sectionLoader")->property("item").value<QQuickItem *>()->opacity() >=
                    1.0);
                shot(lang + QLatin1Char('-') + section.second);
            }
        }
        QMetaObject::invokeMethod(settings, "setIsChinese", Q_ARG(bool, false));
        QVERIFY(click("nav_2"));
    }

    void livePictureAppears()
    {
        if (!m_engine->rootContext()->contextProperty(QStringLiteral("videoUrlStore")).isValid())
            QSKIP("the video objects are not published in this build");
        QTRY_VERIFY(click("playButton"));
        QTRY_VERIFY_WITH_TIMEOUT(
            item("liveFrame") && item("liveFrame")->property("videoWidth").toInt() > 0, 15000);
        shot(QStringLiteral("en-live"));
    }

    void albumListsDownloadsAndPlays()
    {
        QObject *album = m_engine->rootContext()
                             ->contextProperty(QStringLiteral("mediaAlbum"))
                             .value<QObject *>();
        if (!album)
            QSKIP("the album object is not published in this build");
        QTRY_VERIFY_WITH_TIMEOUT(item("albumButton") && item("albumButton")->isEnabled(), 5000);
        QVERIFY(click("albumButton"));
        QTRY_VERIFY_WITH_TIMEOUT(album->property("open").toBool(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!album->property("filteredItems").toList().isEmpty(), 15000);
        shot(QStringLiteral("en-album"));

        const QVariantList items = album->property("filteredItems").toList();
        QString photo;
        QString clip;
        for (const QVariant &v : items) {
            const QVariantMap m = v.toMap();
            if (m.value(QStringLiteral("type")) == QLatin1String("video") && clip.isEmpty())
                clip = m.value(QStringLiteral("path")).toString();
            if (m.value(QStringLiteral("type")) == QLatin1String("photo") && photo.isEmpty())
                photo = m.value(QStringLiteral("path")).toString();
        }
        QVERIFY(!photo.isEmpty());
        QSignalSpy done(album, SIGNAL(downloadCompleted(QString, QString)));
        QMetaObject::invokeMethod(album, "toggleSelection", Q_ARG(QString, photo));
        QVERIFY(click("downloadSelected"));
        QVERIFY(done.wait(20000) || done.count() > 0);

        QVERIFY(!clip.isEmpty());
        QObject *panel = m_window->findChild<QObject *>(QStringLiteral("albumPanel"));
        QVERIFY(panel);
        QVariantMap clipItem;
        for (const QVariant &v : items)
            if (v.toMap().value(QStringLiteral("path")) == clip)
                clipItem = v.toMap();
        QMetaObject::invokeMethod(panel, "openPreview", Q_ARG(QVariant, clipItem));
        QTRY_VERIFY_WITH_TIMEOUT(album->property("playbackHasFrame").toBool(), 15000);
        shot(QStringLiteral("en-playback"));
        QVERIFY(click("closePreview"));
        QVERIFY(click("albumClose"));
        QTRY_VERIFY(!album->property("open").toBool());
    }

    void cleanupTestCase()
    {
        if (m_core && m_core->connectionBridge())
            QMetaObject::invokeMethod(m_core->connectionBridge(), "disconnect");
        m_engine.reset();
        m_owner.reset();
        QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join(QLatin1Char('\n'))));
    }
};

SKYRIG_REGISTER_TEST(UiEndToEndTest)

#include "tst_ui_e2e.moc"
