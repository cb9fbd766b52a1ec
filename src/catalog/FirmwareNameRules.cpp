#include "catalog/FirmwareNameRules.h"

#include <QFileInfo>
#include <QRegularExpression>

QString FirmwareNameRules::firmwareModelKey(const QString &id)
{
    if (id == QLatin1String("Heron-Mini"))
        return QStringLiteral("Heron-Mini-B");
    return id;
}

QString FirmwareNameRules::firmwareFileNameHint(const QString &id, bool chinese)
{
    const QString key = firmwareModelKey(id);
    if (key == QLatin1String("Heron"))
        return chinese ? QStringLiteral("L4T-V版本号-Upgrade.tar")
                       : QStringLiteral("L4T-V<version>-Upgrade.tar");
    if (key == QLatin1String("Heron-Mini-B"))
        return chinese ? QStringLiteral("TBX-MINI-V版本号-Upgrade.tar")
                       : QStringLiteral("TBX-MINI-V<version>-Upgrade.tar");
    return QString();
}

bool FirmwareNameRules::isFirmwareFileNameValid(const QString &id, const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    if (fileName.isEmpty() || !fileName.endsWith(QLatin1String(".tar"), Qt::CaseInsensitive))
        return false;
    const QString stem = fileName.left(fileName.size() - 4);

    // \A and \z anchor the whole stem: a plain "$" would also accept a stem
    // that ends in a line break.
    static const QRegularExpression heronRule(
        QStringLiteral("\\AL4T-V[0-9]+(?:\\.[0-9]+)*-Upgrade\\z"));
    static const QRegularExpression heronMiniRule(
        QStringLiteral("\\ATBX-MINI-V[0-9]+(?:\\.[0-9]+)*-Upgrade\\z"));

    const QString key = firmwareModelKey(id);
    if (key == QLatin1String("Heron"))
        return heronRule.match(stem).hasMatch();
    if (key == QLatin1String("Heron-Mini-B"))
        return heronMiniRule.match(stem).hasMatch();
    return false;
}
