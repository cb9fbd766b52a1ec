#include "link/Language.h"

#include <QSettings>

bool Language::isChinese()
{
    return QSettings().value(QStringLiteral("startup/isChinese"), true).toBool();
}
