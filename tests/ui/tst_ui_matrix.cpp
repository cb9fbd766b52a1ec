#include "common/TestMain.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
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
    // link and stream addresses are loopback ones and auto stream is off, so
    // the product's default camera address is never even preselected.
    QString profile(const QString &name, bool withProduct)
    {
        const QString root = m_dir.filePath(name);
        QDir().mkpath(root + QStringLiteral("/config/Skyrig"));
        QFile conf(root + QStringLiteral("/config/Skyrig/Skyrig.conf"));
        if (conf.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            conf.write(withProduct
                           ? "[startup]\nhasProduct=true\nproductId=Ibis\nproductName=Ibis\n"
                             "[Connection]\nIbis_udpIp=127.0.0.1\n"
                             "[Video]\nurls_Ibis=rtsp://127.0.0.1:8554/test\n"
                             "[video]\nautoStream_Ibis=false\n"
                           : "[ui]\nuseCustomTitleBar=true\n");
        }
        return root;
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
        QTest::newRow("en 1280 gpu gimbal") << "en" << small << "opengl"
                                            << "2";
        QTest::newRow("zh 1280 gpu camera") << "zh" << small << "opengl"
                                            << "3";
        QTest::newRow("en 2560 gpu device") << "en" << large << "opengl"
                                            << "8";
        QTest::newRow("zh 2560 gpu ai") << "zh" << large << "opengl"
                                        << "6";
        QTest::newRow("en 1280 software link") << "en" << small << "software"
                                               << "1";
        QTest::newRow("zh 1280 software range") << "zh" << small << "software"
                                                << "9";
        QTest::newRow("en 2560 software channels") << "en" << large << "software"
                                                   << "4";
        QTest::newRow("zh 2560 software osd") << "zh" << large << "software"
                                              << "7";
        QTest::newRow("en 1280 gpu picker") << "en" << small << "opengl"
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
        if (backend == QLatin1String("opengl"))
            QSKIP("the GPU renderer is checked in the normal build");
#endif
        const QString root = profile(tag, section != QLatin1String("0"));
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
                  {QStringLiteral("-a"), QStringLiteral("-s"),
                   QStringLiteral("-screen 0 %1x%2x24").arg(screen.width()).arg(screen.height()),
                   program(), QStringLiteral("--screenshot"), shot,
                   QStringLiteral("--screenshot-delay"), QStringLiteral("400"),
                   QStringLiteral("--lang"), lang, QStringLiteral("--section"), section});
        QVERIFY(run.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(run.readAll());
        QCOMPARE(run.exitCode(), 0);
        const QStringList warnings = sceneWarnings(output);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));

        const QImage image(shot);
        QVERIFY2(!image.isNull(), qPrintable(output));
        QVERIFY(image.width() <= screen.width() && image.height() <= screen.height());
        QVERIFY(image.width() >= screen.width() * 0.6);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 4)
            for (int x = 0; x < image.width(); x += 4)
                colours.insert(image.pixel(x, y) & 0xF0F0F0);
        QVERIFY2(colours.size() > 24, qPrintable(QString::number(colours.size())));
    }
};

SKYRIG_REGISTER_TEST(UiMatrixTest)

#include "tst_ui_matrix.moc"
