#include "app/FramelessHelper.h"
#include "common/TestMain.h"

#include <QSignalSpy>
#include <QWindow>
#include <QtTest>

// The frameless window's rules: resize band, hit test, rounded mask.
class FramelessHelperTest : public QObject
{
    Q_OBJECT

private slots:
    void bandWidth_data()
    {
        QTest::addColumn<int>("border");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("band");
        QTest::newRow("plain") << 6 << 1.0 << 6;
        QTest::newRow("half ratio hits the minimum") << 6 << 0.5 << 4;
        QTest::newRow("high dpi") << 6 << 2.0 << 12;
        QTest::newRow("fraction truncated") << 6 << 1.25 << 7;
        QTest::newRow("zero border") << 0 << 1.0 << 4;
    }
    void bandWidth()
    {
        QFETCH(int, border);
        QFETCH(qreal, ratio);
        QTEST(FramelessHelper::bandWidth(border, ratio), "band");
    }

    // Where a 200 x 100 window with a 6-pixel band is grabbed, and the
    // edges a system resize from there moves.
    void hitTest_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("hit");
        QTest::addColumn<int>("edges");
        using H = FramelessHelper;
        const int top = Qt::TopEdge, left = Qt::LeftEdge, right = Qt::RightEdge,
                  bottom = Qt::BottomEdge;
        QTest::newRow("top left") << 0 << 0 << int(H::HitTopLeft) << (top | left);
        QTest::newRow("top right") << 199 << 5 << int(H::HitTopRight) << (top | right);
        QTest::newRow("bottom left") << 5 << 99 << int(H::HitBottomLeft) << (bottom | left);
        QTest::newRow("bottom right") << 194 << 94 << int(H::HitBottomRight) << (bottom | right);
        QTest::newRow("left") << 3 << 50 << int(H::HitLeft) << left;
        QTest::newRow("right") << 197 << 50 << int(H::HitRight) << right;
        QTest::newRow("top") << 100 << 0 << int(H::HitTop) << top;
        QTest::newRow("bottom") << 100 << 95 << int(H::HitBottom) << bottom;
        QTest::newRow("just inside") << 6 << 6 << int(H::HitNone) << 0;
        QTest::newRow("client") << 100 << 50 << int(H::HitNone) << 0;
        QTest::newRow("outside left") << -1 << 50 << int(H::HitNone) << 0;
        QTest::newRow("outside bottom") << 100 << 100 << int(H::HitNone) << 0;
    }
    void hitTest()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, hit);
        QCOMPARE(int(FramelessHelper::hitTest(x, y, 200, 100, 6)), hit);
        QTEST(int(FramelessHelper::edgesFor(FramelessHelper::Hit(hit))), "edges");
    }

    void roundedMaskShape()
    {
        QRegion mask;
        QVERIFY(FramelessHelper::roundedMask(QSize(200, 100), 12, &mask));
        QVERIFY(mask.contains(QPoint(100, 50)));
        QVERIFY(mask.contains(QPoint(100, 1)));
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(!mask.contains(QPoint(199, 99)));
        // A radius beyond half the short side is limited to it.
        QVERIFY(FramelessHelper::roundedMask(QSize(20, 20), 50, &mask));
        QVERIFY(mask.contains(QPoint(10, 10)));
        QVERIFY(!mask.contains(QPoint(2, 2)));
        // Too small a window keeps its previous mask.
        QRegion kept(0, 0, 5, 5);
        QVERIFY(!FramelessHelper::roundedMask(QSize(2, 200), 12, &kept));
        QCOMPARE(kept, QRegion(0, 0, 5, 5));
    }

    void windowEdges()
    {
        QWindow window;
        window.setFlags(Qt::Window | Qt::FramelessWindowHint);
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window, 30000));
        FramelessHelper helper;
        QSignalSpy radius(&helper, &FramelessHelper::cornerRadiusChanged);
        helper.setCornerRadius(-5);
        helper.setCornerRadius(-1);
        QCOMPARE(helper.cornerRadius(), 0); // never below zero, notified once
        QCOMPARE(radius.count(), 1);
        QVERIFY(!helper.resizing());
        helper.setWindow(&window);
        helper.setBorderWidth(6);
        QCOMPARE(helper.edgesAt(1, 100), int(Qt::LeftEdge));
        QCOMPARE(helper.edgesAt(299, 199), int(Qt::RightEdge | Qt::BottomEdge));
        QCOMPARE(helper.edgesAt(150, 100), 0);
        QSignalSpy enabled(&helper, &FramelessHelper::enabledChanged);
        helper.setEnabled(false);
        helper.setEnabled(false);
        QCOMPARE(enabled.count(), 1);
        QCOMPARE(helper.edgesAt(1, 100), 0);
        QVERIFY(!helper.startSystemResize(int(Qt::LeftEdge)));
        helper.setEnabled(true);
        window.showMaximized();
        QTRY_COMPARE_WITH_TIMEOUT(window.visibility(), QWindow::Maximized, 30000);
        QCOMPARE(helper.edgesAt(1, 100), 0);
        QVERIFY(!helper.startSystemResize(int(Qt::LeftEdge)));
        // The mask is cleared while maximised.
        helper.updateRoundedMask();
        QVERIFY(window.mask().isEmpty());
    }
};

SKYRIG_REGISTER_TEST(FramelessHelperTest)

#include "tst_frameless.moc"
