// The interface program on a machine without a display or GPU: started on the
// offscreen platform it says so, draws in software, loads its scene and keeps
// running until it is stopped.

#include "common/TestMain.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

class HeadlessStartTest : public QObject
{
    Q_OBJECT

private slots:
    void startsOffscreenAndKeepsRunning()
    {
        const QString program = QStringLiteral(SKYRIG_BIN_DIR "/skyrig");
        if (!QFileInfo::exists(program))
            QSKIP("the interface program is not built");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("QT_QUICK_BACKEND"));
        env.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, QStringList());
        QVERIFY(process.waitForStarted(5000));
        QString output;
        QElapsedTimer clock;
        clock.start();
        // Ready once the scene is loaded (its root-object count is written).
        while (!output.contains(QLatin1String("QML root object count: 1")) &&
               process.state() == QProcess::Running && clock.elapsed() < 30000) {
            process.waitForReadyRead(500);
            output += QString::fromLocal8Bit(process.readAll());
        }
        QVERIFY2(output.contains(QLatin1String("QML root object count: 1")), qPrintable(output));
        QVERIFY2(output.contains(QLatin1String("running offscreen")), qPrintable(output));
        // Still running after the first window was shown (the zero-delay show
        // has run by the time another event-loop round trip comes back).
        QVERIFY(!process.waitForFinished(300));
        QCOMPARE(process.state(), QProcess::Running);
        process.terminate();
        QVERIFY(process.waitForFinished(5000));
    }
};
SKYRIG_REGISTER_TEST(HeadlessStartTest)

#include "tst_headless_start.moc"
