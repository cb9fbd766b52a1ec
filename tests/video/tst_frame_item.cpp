// The frame item: mapping, the fixed-point snapshot, and the picture a real
// window shows with the GL and with the software scene backend.

#include "VideoTestSupport.h"
#include "common/TestMain.h"
#include "video/FrameImage.h"
#include "video/VideoFrameItem.h"

#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QProcess>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

using namespace video_test;

namespace
{

class PressableItem : public VideoFrameItem
{
public:
    void press(qreal x, qreal y)
    {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(x, y), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        mousePressEvent(&event);
    }
};

VideoFrame greyFrame(int width, int height)
{
    return makeFrame(width, height, [](int, int) { return Yuv{128, 128, 128}; });
}

int floatReference(double value)
{
    return int(std::lround(std::clamp(value, 0.0, 255.0)));
}

bool near(const QPointF &a, const QPointF &b)
{
    return std::abs(a.x() - b.x()) < 1e-2 && std::abs(a.y() - b.y()) < 1e-2;
}

} // namespace

class VideoFrameItemTest : public QObject
{
    Q_OBJECT

private slots:
    // Where the picture lies, how points map both ways, and which presses
    // emit a click (rounded to whole item pixels; none above the picture, x
    // at the picture's width at the right edge of a pillar box).
    void mapping_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSizeF>("item");
        QTest::addColumn<bool>("keepAspect");
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QPointF>("video");
        QTest::addColumn<QPoint>("click"); // (-1, -1): none
        const QRectF letterbox(0, 218.75, 1000, 562.5);
        const QRectF pillarbox(500 - 1600 / 9.0, 0, 3200 / 9.0, 200);
        QTest::newRow("letterbox") << QSize(1920, 1080) << QSizeF(1000, 1000) << true << letterbox
                                   << QPointF(500, 500) << QPointF(960, 540) << QPoint(960, 540);
        QTest::newRow("above the picture")
            << QSize(1920, 1080) << QSizeF(1000, 1000) << true << letterbox << QPointF(500, 100)
            << QPointF(960, -228) << QPoint(-1, -1);
        QTest::newRow("pillarbox right edge")
            << QSize(1280, 720) << QSizeF(1000, 200) << true << pillarbox << QPointF(677.8, 100)
            << QPointF(1280.08, 360) << QPoint(1280, 360);
        QTest::newRow("stretched")
            << QSize(640, 480) << QSizeF(320, 480) << false << QRectF(0, 0, 320, 480)
            << QPointF(160, 240) << QPointF(320, 240) << QPoint(320, 240);
        QTest::newRow("no picture") << QSize(0, 0) << QSizeF(100, 100) << true << QRectF()
                                    << QPointF(50, 50) << QPointF(-1, -1) << QPoint(-1, -1);
    }

    void mapping()
    {
        QFETCH(QSize, picture);
        QFETCH(QRectF, rect);
        QFETCH(QPointF, at);
        QFETCH(QPointF, video);
        QFETCH(QPoint, click);
        QFETCH(QSizeF, item);
        QFETCH(bool, keepAspect);
        PressableItem frameItem;
        frameItem.setSize(item);
        frameItem.setKeepAspectRatio(keepAspect);
        QSignalSpy clicks(&frameItem, &VideoFrameItem::mouseClicked);
        if (!picture.isEmpty())
            frameItem.setFrame(greyFrame(picture.width(), picture.height()));
        const QRectF r = frameItem.videoRect();
        QVERIFY(near(r.topLeft(), rect.topLeft()) && near(r.bottomRight(), rect.bottomRight()));
        const QPointF mapped = frameItem.mapToVideo(at.x(), at.y());
        QVERIFY(near(mapped, video));
        QCOMPARE(frameItem.videoWidth(), picture.width());
        QVERIFY(
            near(frameItem.mapFromVideo(mapped.x(), mapped.y()), picture.isEmpty() ? video : at));
        frameItem.press(at.x(), at.y());
        QCOMPARE(clicks.count(), click.x() < 0 ? 0 : 1);
        if (click.x() >= 0)
            QCOMPARE(QPoint(clicks.first().at(0).toInt(), clicks.first().at(1).toInt()), click);
    }

    // The integer conversion stays within one step of the exact BT.709
    // formula over the whole range, and the snapshot reads chroma at col/2
    // with the odd picture's chroma row length.
    void fixedPointAgainstFloat()
    {
        int worst = 0;
        for (int y = 0; y < 256; y += 3)
            for (int u = 0; u < 256; u += 3)
                for (int v = 0; v < 256; v += 3) {
                    int r, g, b;
                    FrameImage::convert(y, u - 128, v - 128, r, g, b);
                    const double l = (y - 16) * 1.164384;
                    const int fr = floatReference(l + 1.792741 * (v - 128));
                    const int fg = floatReference(l - 0.213249 * (u - 128) - 0.532909 * (v - 128));
                    const int fb = floatReference(l + 2.112402 * (u - 128));
                    worst = std::max({worst, std::abs(r - fr), std::abs(g - fg), std::abs(b - fb)});
                }
        QVERIFY2(worst <= 2, qPrintable(QStringLiteral("worst difference %1").arg(worst)));

        const VideoFrame odd = makeFrame(1281, 3, [](int col, int row) {
            return Yuv{16 + (col * 7 + row) % 220, (col / 2) % 256, 255 - (col / 2) % 256};
        });
        VideoFrameItem item;
        item.setFrame(odd);
        const QImage image = item.currentFrameImage();
        QCOMPARE(image.size(), QSize(1281, 3));
        for (int col : {0, 1, 639, 1279, 1280}) {
            for (int row : {0, 2}) {
                int r, g, b;
                const int c = (row / 2) * 641 + col / 2;
                FrameImage::convert(uchar(odd.yPlane[row * 1281 + col]),
                                    int(uchar(odd.uPlane[c])) - 128,
                                    int(uchar(odd.vPlane[c])) - 128, r, g, b);
                QCOMPARE(image.pixel(col, row), qRgb(r, g, b));
            }
        }
    }
};
SKYRIG_REGISTER_TEST(VideoFrameItemTest)

// The render cases: each backend needs a process of its own (the scene picks
// its backend once), so the test starts this executable again with only the
// probe below selected and reads its verdict.
class VideoRenderTest : public QObject
{
    Q_OBJECT

private slots:
    void drawsKnownPicture_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("opengl") << QStringLiteral("opengl");
        QTest::newRow("software") << QStringLiteral("software");
    }

    void drawsKnownPicture()
    {
        QFETCH(QString, backend);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (backend == QLatin1String("opengl")) {
            if (!skyrig_test::hasDisplay())
                QSKIP("no display: the GL backend needs one (run under xvfb-run)");
            if (env.value(QStringLiteral("QT_QUICK_BACKEND")) == QLatin1String("software"))
                QSKIP("this run draws every scene in software (QT_QUICK_BACKEND=software)");
            env.remove(QStringLiteral("QT_QUICK_BACKEND"));
            // Under the address sanitizer: the GL driver keeps a few blocks
            // for the life of the process, in a module it unloads before the
            // leak check, where no suppression can name them.
            env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) +
                                                           QStringLiteral(":detect_leaks=0"));
        } else {
            env.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
        }
        env.insert(QStringLiteral("SKYRIG_TEST_CLASS"), QStringLiteral("VideoRenderProbe"));
        env.insert(QStringLiteral("SKYRIG_VIDEO_PROBE"), backend);
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAll());
        const int skip = output.indexOf(QLatin1String("SKIP   :"));
        if (skip >= 0)
            QSKIP(qPrintable(output.mid(skip).section(QLatin1Char('\n'), 0, 1).simplified()));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 qPrintable(output));
        QVERIFY2(output.contains(QLatin1String("PASS   : VideoRenderProbe::grab()")),
                 qPrintable(output));
    }
};
SKYRIG_REGISTER_TEST(VideoRenderTest)

class VideoRenderProbe : public QObject
{
    Q_OBJECT

private slots:
    void grab()
    {
        const QString backend = qEnvironmentVariable("SKYRIG_VIDEO_PROBE");
        if (backend.isEmpty())
            QSKIP("runs only as a child of VideoRenderTest");
        if (backend == QLatin1String("opengl")) {
            QOpenGLContext context;
            if (!context.create())
                QSKIP("no OpenGL context can be created here");
        }
        // The item sits in a moved, scaled and clipping parent, as the live
        // view sits in its panel beside the rail and the album's preview in
        // its frame: the picture lands where the item is, scaled and cut as
        // the item is, never at the window's corner.
        const QColor window(0xc8, 0xc8, 0xc8);
        QQuickWindow view;
        view.setColor(window);
        view.resize(320, 260);
        auto *holder = new QQuickItem(view.contentItem());
        holder->setPosition(QPointF(60, 40));
        holder->setSize(QSizeF(200, 200));
        holder->setClip(true);
        holder->setTransformOrigin(QQuickItem::TopLeft);
        auto *item = new VideoFrameItem(holder);
        item->setSize(QSizeF(200, 200));
        // Shown empty first, as the live view is before its first picture.
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const auto api = view.rendererInterface()->graphicsApi();
        QCOMPARE(api == QSGRendererInterface::OpenGL, backend == QLatin1String("opengl"));
        if (view.grabWindow().isNull() &&
            QGuiApplication::platformName() == QLatin1String("offscreen"))
            QSKIP("the offscreen platform gives no picture of a software scene; "
                  "this case runs under xvfb-run");
        // The video panel's own background (#0e1625), so the bars around a
        // picture do not show as a frame.
        const QColor background(0x0e, 0x16, 0x25);
        // Landscape (letterboxed), portrait (pillarboxed) in the same item,
        // the parent at half scale, and the item half outside its parent.
        struct Shown {
            QSize picture;
            qreal scale;
            QPointF at;
        };
        const Shown shown[] = {{QSize(64, 32), 1.0, QPointF(0, 0)},
                               {QSize(32, 64), 1.0, QPointF(0, 0)},
                               {QSize(64, 32), 0.5, QPointF(0, 0)},
                               {QSize(64, 32), 1.0, QPointF(-100, 30)}};
        for (const Shown &s : shown) {
            holder->setScale(s.scale);
            item->setPosition(s.at);
            item->setFrame(quadrantFrame(s.picture.width(), s.picture.height()));
            const QImage image = view.grabWindow();
            QVERIFY(!image.isNull());
            const qreal ratio = image.width() / qreal(view.width());
            const QRectF clip = holder->mapRectToScene(QRectF(0, 0, 200, 200));
            const QRectF picture = item->mapRectToScene(item->videoRect());
            const QRectF itemRect = item->mapRectToScene(QRectF(0, 0, 200, 200)) & clip;
            int checked = 0;
            for (int y = 2; y < view.height(); y += 6) {
                for (int x = 2; x < view.width(); x += 6) {
                    const QPointF at(x, y);
                    // Edges are blended by the scaler: only clear points.
                    const auto near = [&at](const QRectF &r) {
                        return std::abs(at.x() - r.left()) < 3 ||
                               std::abs(at.x() - r.right()) < 3 || std::abs(at.y() - r.top()) < 3 ||
                               std::abs(at.y() - r.bottom()) < 3;
                    };
                    if (near(clip) || near(itemRect) || near(picture) ||
                        std::abs(at.x() - picture.center().x()) < 3 ||
                        std::abs(at.y() - picture.center().y()) < 3)
                        continue;
                    QRgb expected = window.rgb();
                    if (itemRect.contains(at) && picture.contains(at)) {
                        const int q = (at.y() > picture.center().y() ? 2 : 0) +
                                      (at.x() > picture.center().x() ? 1 : 0);
                        const Yuv c = quadrantColour(q);
                        int r, g, b;
                        FrameImage::convert(c.y, c.u - 128, c.v - 128, r, g, b);
                        expected = qRgb(r, g, b);
                    } else if (itemRect.contains(at)) {
                        expected = background.rgb();
                    }
                    const QRgb got = image.pixel(int(x * ratio), int(y * ratio));
                    const int diff = std::max({std::abs(qRed(got) - qRed(expected)),
                                               std::abs(qGreen(got) - qGreen(expected)),
                                               std::abs(qBlue(got) - qBlue(expected))});
                    QVERIFY2(diff <= 3, qPrintable(QString::asprintf(
                                            "%dx%d at scale %g: pixel %d,%d is %s, expected %s",
                                            s.picture.width(), s.picture.height(), s.scale, x, y,
                                            qPrintable(QColor(got).name()),
                                            qPrintable(QColor(expected).name()))));
                    ++checked;
                }
            }
            QVERIFY(checked > 1000);
        }
    }
};
SKYRIG_REGISTER_TEST(VideoRenderProbe)

#include "tst_frame_item.moc"
