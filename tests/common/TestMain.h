#pragma once

// Test entry point shared by every test executable. Before any settings store
// is touched it points the per-user configuration and data folders at a fresh
// temporary directory, so a test never reads or writes an operator's settings.

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <vector>

namespace skyrig_test
{

inline QString isolateUserFolders()
{
    char tmpl[] = "/tmp/skyrig-test-XXXXXX";
    const char *dir = mkdtemp(tmpl);
    const QString root = QString::fromLocal8Bit(dir ? dir : "/tmp");
    for (const char *var :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString sub = root + QLatin1Char('/') + QString::fromLatin1(var).toLower();
        QDir().mkpath(sub);
        QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
        qputenv(var, sub.toLocal8Bit());
    }
    // Test mode puts the settings store under $HOME/.qttest, so HOME moves too:
    // parallel test processes must not share one store.
    qputenv("HOME", root.toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    return root;
}

// The language the program's texts are made in from now on.
inline void setChinese(bool chinese)
{
    QSettings().setValue(QStringLiteral("startup/isChinese"), chinese);
}

// The named properties' values ("a b c"), for comparing several at once.
inline QVariantList props(const QObject &object, const char *names)
{
    QVariantList values;
    for (const QByteArray &name : QByteArray(names).split(' '))
        values << object.property(name.constData());
    return values;
}

template <typename T> int runOne(int argc, char **argv)
{
    T test;
    return QTest::qExec(&test, argc, argv);
}

// Registry used when an area's test classes live in several source files that
// are linked into the area's one executable.
struct Registered {
    const char *name;
    int (*run)(int, char **);
};

inline std::vector<Registered> &registry()
{
    static std::vector<Registered> tests;
    return tests;
}

template <typename T> struct Registrar {
    explicit Registrar(const char *name) { registry().push_back({name, &runOne<T>}); }
};

// A GUI test started without any display (ctest run straight from a build
// folder on a headless machine) would abort in the window system; it runs on
// the offscreen platform with the scene drawn in software instead, and the
// cases that need a real display skip themselves (see hasDisplay()).
inline bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

template <typename App> void chooseHeadlessPlatform()
{
    if constexpr (std::is_base_of_v<QGuiApplication, App>) {
        if (!hasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            std::fprintf(stderr, "no display: running offscreen, the scene drawn in software; "
                                 "cases that need a display skip\n");
        }
        // The offscreen platform has no OpenGL to offer a scene.
        if (qgetenv("QT_QPA_PLATFORM") == "offscreen" &&
            qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
            qputenv("QT_QUICK_BACKEND", "software");
    }
}

template <typename App, typename Body> int withApp(int argc, char **argv, Body body)
{
    chooseHeadlessPlatform<App>();
    const QString root = isolateUserFolders();
    int status = 0;
    {
        App app(argc, argv);
        QCoreApplication::setOrganizationName(QStringLiteral("Skyrig"));
        QCoreApplication::setApplicationName(QStringLiteral("Skyrig"));
        status = body();
    }
    QDir(root).removeRecursively();
    return status;
}

template <typename App> int runRegistered(int argc, char **argv)
{
    return withApp<App>(argc, argv, [&] {
        auto tests = registry();
        std::sort(tests.begin(), tests.end(), [](const Registered &a, const Registered &b) {
            return qstrcmp(a.name, b.name) < 0;
        });
        // SKYRIG_TEST_CLASS=A,B runs only those classes (handy while working
        // on one area); unset runs them all.
        const QStringList only = QString::fromLocal8Bit(qgetenv("SKYRIG_TEST_CLASS"))
                                     .split(QLatin1Char(','), Qt::SkipEmptyParts);
        int status = 0;
        for (const Registered &t : tests) {
            if (only.isEmpty() || only.contains(QString::fromLatin1(t.name)))
                status += t.run(argc, argv);
        }
        return status;
    });
}

} // namespace skyrig_test

// In a test source: SKYRIG_REGISTER_TEST(TestClass) after the class definition.
#define SKYRIG_REGISTER_TEST(Class)                                                                \
    static const skyrig_test::Registrar<Class> skyrig_registrar_##Class(#Class);

#define SKYRIG_REGISTERED_TEST_MAIN()                                                              \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        return skyrig_test::runRegistered<QCoreApplication>(argc, argv);                           \
    }

#define SKYRIG_REGISTERED_GUI_TEST_MAIN()                                                          \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        return skyrig_test::runRegistered<QApplication>(argc, argv);                               \
    }
