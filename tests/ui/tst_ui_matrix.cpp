#include "common/TestMain.h"
#include "integration/CamsimHarness.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

// The real program in every combination the operator may meet: both
// languages, a 1280x720 panel and a 2560x1440 monitor, the GPU renderer and
// the software one. Each run starts `skyrig --screenshot` on a display of
// that size; any scene warning fails the case, and the picture must fit the
// screen and show something.
class UiMatrixTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QString program() { return QStringLiteral(SKYRIG_BIN_DIR "/skyrig"); }

    // A profile with a product chosen, so the main page opens at once. Its
    // link and stream addresses are loopback ones and auto stream is off
    // (unless a stream port is given), so the product's default camera
    // address is never even preselected.
    QString profile(const QString &name, bool withProduct, quint16 streamPort = 0)
    {
        const QString root = m_dir.filePath(name);
        QDir().mkpath(root + QStringLiteral("/config/Skyrig"));
        QFile conf(root + QStringLiteral("/config/Skyrig/Skyrig.conf"));
        if (conf.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            conf.write(withProduct
                           ? QStringLiteral("[startup]\nhasProduct=true\nproductId=Ibis\n"
                                            "productName=Ibis\n[Connection]\nIbis_udpIp=127.0.0.1\n"
                                            "[Video]\nurls_Ibis=rtsp://127.0.0.1:%1/test\n"
                                            "[video]\nautoStream_Ibis=%2\n")
                                 .arg(streamPort ? streamPort : 8554)
                                 .arg(streamPort ? "true" : "false")
                                 .toUtf8()
                           : QByteArray("[ui]\nuseCustomTitleBar=true\n"));
        }
        return root;
    }

    // Runs the program on a screen of `screen` size and returns its picture
    // (null when it failed, with the reason in `output`).
    QImage screenshot(const QString &tag, const QString &root, const QSize &screen,
                      const QString &backend, const QStringList &arguments, int delayMs,
                      QString &output)
    {
        const QString shot = m_dir.filePath(tag + QStringLiteral(".png"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
        env.insert(QStringLiteral("HOME"), root);
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (backend.isEmpty())
            env.remove(QStringLiteral("QT_QUICK_BACKEND"));
        else
            env.insert(QStringLiteral("QT_QUICK_BACKEND"), backend);
        QProcess run;
        run.setProcessEnvironment(env);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(QStringLiteral("xvfb-run"),
                  QStringList{
                      QStringLiteral("-a"), QStringLiteral("-s"),
                      QStringLiteral("-screen 0 %1x%2x24").arg(screen.width()).arg(screen.height()),
                      program(), QStringLiteral("--screenshot"), shot,
                      QStringLiteral("--screenshot-delay"), QString::number(delayMs)} +
                      arguments);
        if (!run.waitForFinished(60000))
            run.kill();
        output = QString::fromLocal8Bit(run.readAll());
        if (run.exitStatus() != QProcess::NormalExit || run.exitCode() != 0)
            return QImage();
        return QImage(shot);
    }

    // Lines of the program's error output that come from the scene.
    static QStringList sceneWarnings(const QString &output)
    {
        static const QRegularExpression scene(
            QStringLiteral("qrc:|\\.qml|Binding loop|TypeError|ReferenceError|Unable to "
                           "assign|QQmlApplicationEngine|"
                           "is not installed|unavailable"));
        QStringList out;
        for (const QString &line : output.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("QML root object count")))
                continue;
            if (scene.match(line).hasMatch())
                out << line;
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo::exists(program()));
        if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
            QSKIP("xvfb-run is needed to give each run a screen of its own size");
    }

    void sceneWithoutWarnings_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("section");
        const QSize small(1280, 720);
        const QSize large(2560, 1440);
        QTest::newRow("en 1280 gpu gimbal") << "en" << small << ""
                                            << "2";
        QTest::newRow("zh 1280 gpu camera") << "zh" << small << ""
                                            << "3";
        QTest::newRow("en 2560 gpu device") << "en" << large << ""
                                            << "8";
        QTest::newRow("zh 2560 gpu ai") << "zh" << large << ""
                                        << "6";
        QTest::newRow("en 1280 software link") << "en" << small << "software"
                                               << "1";
        QTest::newRow("zh 1280 software range") << "zh" << small << "software"
                                                << "9";
        QTest::newRow("en 2560 software channels") << "en" << large << "software"
                                                   << "4";
        QTest::newRow("zh 2560 software osd") << "zh" << large << "software"
                                              << "7";
        QTest::newRow("en 1280 gpu picker") << "en" << small << ""
                                            << "0";
        QTest::newRow("zh 2560 software picker") << "zh" << large << "software"
                                                 << "0";
    }

    void sceneWithoutWarnings()
    {
        QFETCH(QString, lang);
        QFETCH(QSize, screen);
        QFETCH(QString, backend);
        QFETCH(QString, section);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_');
#if defined(__SANITIZE_ADDRESS__)
        // The GL driver is unloaded before the leak check of a sanitized
        // program runs, so its allocations would show as leaks of an unknown
        // module; the normal build covers the GPU rows.
        if (backend.isEmpty())
            QSKIP("the GPU renderer is checked in the normal build");
#endif
        const QString root = profile(tag, section != QLatin1String("0"));
        QString output;
        const QImage image = screenshot(
            tag, root, screen, backend,
            {QStringLiteral("--lang"), lang, QStringLiteral("--section"), section}, 400, output);
        // --lang is for this run only: the stored choice stays as it was (none).
        QVERIFY(
            !QSettings(root + QStringLiteral("/config/Skyrig/Skyrig.conf"), QSettings::IniFormat)
                 .contains(QStringLiteral("startup/isChinese")));
        const QStringList warnings = sceneWarnings(output);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
        QVERIFY2(!image.isNull(), qPrintable(output));
        QVERIFY(image.width() <= screen.width() && image.height() <= screen.height());
        QVERIFY(image.width() >= screen.width() * 0.6);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 4)
            for (int x = 0; x < image.width(); x += 4)
                colours.insert(image.pixel(x, y) & 0xF0F0F0);
        QVERIFY2(colours.size() > 24, qPrintable(QString::number(colours.size())));
    }

    // The simulator's stream playing on either renderer lands in the video
    // area, right of the rail and the control page and below the stream
    // toolbar, never at the window's corner: its dark-blue ground
    // (#1d3557) fills most of that area and nothing left of it.
    void livePictureInTheVideoArea_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("gpu") << "";
        QTest::newRow("software") << "software";
    }

    void livePictureInTheVideoArea()
    {
        QFETCH(QString, backend);
#if defined(__SANITIZE_ADDRESS__)
        if (backend.isEmpty())
            QSKIP("the GPU renderer is checked in the normal build");
#endif
        if (!QFileInfo(camsim_test::simulatorPath()).isExecutable())
            QSKIP("the simulator is not built");
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        camsim_test::SimProcess sim;
        QString error;
        QVERIFY2(sim.start({QStringLiteral("--rtsp-port"), QString::number(port)}, &error),
                 qPrintable(error));
        if (!sim.readyLine.contains(QStringLiteral(":%1/test").arg(port)))
            QSKIP("the simulator serves no stream here (GStreamer missing?)");

        const QString tag = QStringLiteral("live_") + QString::fromLatin1(QTest::currentDataTag());
        QString output;
        // Time for the stream to open and its first pictures to come.
        const QImage image = screenshot(tag, profile(tag, true, port), QSize(1280, 720), backend,
                                        {QStringLiteral("--lang"), QStringLiteral("en"),
                                         QStringLiteral("--section"), QStringLiteral("2")},
                                        5000, output);
        QVERIFY2(!image.isNull(), qPrintable(output));
        // Rows and columns that are mostly the ground: a few matching
        // pixels elsewhere (a chip of a similar blue) do not count.
        QVector<int> rows(image.height()), columns(image.width());
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (std::abs(qRed(c) - 0x1d) <= 6 && std::abs(qGreen(c) - 0x35) <= 6 &&
                    std::abs(qBlue(c) - 0x57) <= 6) {
                    ++rows[y];
                    ++columns[x];
                }
            }
        }
        const auto span = [](const QVector<int> &counts, int length) {
            int first = -1, last = -1;
            for (int i = 0; i < counts.size(); ++i) {
                if (counts[i] * 3 > length) {
                    last = i;
                    if (first < 0)
                        first = i;
                }
            }
            return qMakePair(first, last);
        };
        const auto across = span(columns, image.height());
        const auto down = span(rows, image.width());
        const QString where = QStringLiteral("stream ground over x %1..%2, y %3..%4")
                                  .arg(across.first)
                                  .arg(across.second)
                                  .arg(down.first)
                                  .arg(down.second);
        QVERIFY2(across.first >= 0 && down.first >= 0, qPrintable(where + output));
        QVERIFY2(across.first > image.width() / 4 && down.first > image.height() / 20,
                 qPrintable(where));
        QVERIFY2(across.second - across.first > image.width() / 2 &&
                     down.second - down.first > image.height() / 2 &&
                     down.second < image.height() * 9 / 10,
                 qPrintable(where));
    }
};

SKYRIG_REGISTER_TEST(UiMatrixTest)

#include "tst_ui_matrix.moc"
