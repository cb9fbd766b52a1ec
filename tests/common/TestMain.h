#pragma once

// Test entry point shared by every test executable. Before any settings store
// is touched it points the per-user configuration and data folders at a fresh
// temporary directory, so a test never reads or writes an operator's settings.

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QtTest>

#include <cstdlib>
#include <memory>

namespace skyrig_test {

inline QString isolateUserFolders()
{
    char tmpl[] = "/tmp/skyrig-test-XXXXXX";
    const char *dir = mkdtemp(tmpl);
    const QString root = QString::fromLocal8Bit(dir ? dir : "/tmp");
    for (const char *var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString sub = root + QLatin1Char('/') + QString::fromLatin1(var).toLower();
        QDir().mkpath(sub);
        QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
        qputenv(var, sub.toLocal8Bit());
    }
    QStandardPaths::setTestModeEnabled(true);
    return root;
}

template <typename App, typename... Tests> int run(int argc, char **argv)
{
    const QString root = isolateUserFolders();
    App app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Skyrig"));
    QCoreApplication::setApplicationName(QStringLiteral("Skyrig"));
    int status = 0;
    // Each test class runs with the same arguments; failures are summed.
    (void)std::initializer_list<int>{(
        [&] {
            Tests test;
            status += QTest::qExec(&test, argc, argv);
        }(),
        0)...};
    QDir(root).removeRecursively();
    return status;
}

} // namespace skyrig_test

#define SKYRIG_TEST_MAIN(...)                                                                      \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        return skyrig_test::run<QCoreApplication, __VA_ARGS__>(argc, argv);                        \
    }

#define SKYRIG_GUI_TEST_MAIN(...)                                                                  \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        return skyrig_test::run<QApplication, __VA_ARGS__>(argc, argv);                            \
    }
