#include "link/Language.h"

#include <QCoreApplication>
#include <QSettings>

namespace
{
const char *const kIsChinese = "startup/isChinese";
// -1 none, 0 English, 1 Chinese.
int g_override = -1;
} // namespace

Language *Language::instance()
{
    // Lives as long as the application; made on the thread of the first caller,
    // which is the interface thread in the program and in the tests.
    static Language *language = new Language(QCoreApplication::instance());
    return language;
}

bool Language::isChinese()
{
    if (g_override >= 0)
        return g_override == 1;
    return QSettings().value(QLatin1String(kIsChinese), true).toBool();
}

void Language::overrideForThisRun(bool chinese)
{
    const bool before = isChinese();
    g_override = chinese ? 1 : 0;
    if (before != chinese)
        emit instance()->changed();
}

void Language::store(bool chinese)
{
    const bool before = isChinese();
    g_override = -1;
    QSettings settings;
    settings.setValue(QLatin1String(kIsChinese), chinese);
    settings.sync();
    if (before != chinese)
        emit instance()->changed();
}

void Language::forgetStored()
{
    const bool before = isChinese();
    QSettings settings;
    settings.remove(QLatin1String(kIsChinese));
    settings.sync();
    if (before != isChinese())
        emit instance()->changed();
}
