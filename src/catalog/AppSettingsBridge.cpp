#include "catalog/AppSettingsBridge.h"

#include "link/Language.h"

#include <QHash>
#include <QSettings>
#include <QVariantMap>
#include <QVector>

namespace
{

const char *const kHasProduct = "startup/hasProduct";
const char *const kProductName = "startup/productName";
const char *const kProductId = "startup/productId";
const char *const kStartupGroup = "startup";
const char *const kCustomTitleBar = "ui/useCustomTitleBar";
const char *const kProductOrder = "ui/productOrder";
const char *const kRecordTelemetry = "video/recordTelemetry";

// Earlier releases stored some products under names that are gone now.
QString mapLegacyId(const QString &stored, bool acceptHyphenatedMarten)
{
    if (stored == QLatin1String("MartenClassic") ||
        (acceptHyphenatedMarten && stored == QLatin1String("Marten-Classic")))
        return QStringLiteral("Marten");
    if (stored == QLatin1String("OtterClassic"))
        return QStringLiteral("Otter");
    if (stored == QLatin1String("Finch"))
        return QStringLiteral("Plover");
    return stored;
}

} // namespace

AppSettingsBridge::AppSettingsBridge(QObject *parent) : QObject(parent)
{
    // Every text of the interface follows a switch at once, whoever made it.
    connect(Language::instance(), &Language::changed, this, &AppSettingsBridge::settingsChanged);
}

bool AppSettingsBridge::hasProduct() const
{
    return QSettings().value(QLatin1String(kHasProduct), false).toBool();
}

QString AppSettingsBridge::productName() const
{
    const QString stored =
        QSettings().value(QLatin1String(kProductName), QStringLiteral("Otter")).toString();
    return mapLegacyId(stored, true);
}

QString AppSettingsBridge::productId() const
{
    const QString stored =
        QSettings().value(QLatin1String(kProductId), QStringLiteral("Otter")).toString();
    return mapLegacyId(stored, false);
}

bool AppSettingsBridge::isChinese() const
{
    return Language::isChinese();
}

bool AppSettingsBridge::useCustomTitleBar() const
{
    return QSettings().value(QLatin1String(kCustomTitleBar), true).toBool();
}

QStringList AppSettingsBridge::productOrder() const
{
    return QSettings().value(QLatin1String(kProductOrder)).toStringList();
}

bool AppSettingsBridge::storedRecordTelemetry()
{
    return QSettings().value(QLatin1String(kRecordTelemetry), true).toBool();
}

void AppSettingsBridge::setRecordTelemetry(bool enabled)
{
    if (enabled == recordTelemetry())
        return;
    QSettings settings;
    settings.setValue(QLatin1String(kRecordTelemetry), enabled);
    settings.sync();
    emit recordTelemetryChanged();
}

void AppSettingsBridge::saveProduct(const QString &name, const QString &id, bool isChinese)
{
    QSettings settings;
    settings.setValue(QLatin1String(kHasProduct), true);
    settings.setValue(QLatin1String(kProductName), name);
    settings.setValue(QLatin1String(kProductId), id);
    settings.sync();
    // The language shown is kept as it is (a run's own language included);
    // only a different one is the operator's new choice, and its change
    // signal is this one's.
    if (Language::isChinese() != isChinese)
        Language::store(isChinese);
    else
        emit settingsChanged();
}

void AppSettingsBridge::setIsChinese(bool isChinese)
{
    // Language::changed brings settingsChanged.
    if (Language::isChinese() != isChinese)
        Language::store(isChinese);
}

void AppSettingsBridge::setUseCustomTitleBar(bool enabled)
{
    QSettings settings;
    if (settings.value(QLatin1String(kCustomTitleBar), true).toBool() == enabled)
        return;
    settings.setValue(QLatin1String(kCustomTitleBar), enabled);
    settings.sync();
    emit useCustomTitleBarChanged();
}

void AppSettingsBridge::setProductOrder(const QStringList &ids)
{
    QSettings settings;
    if (settings.value(QLatin1String(kProductOrder)).toStringList() == ids)
        return;
    settings.setValue(QLatin1String(kProductOrder), ids);
    settings.sync();
    emit productOrderChanged();
}

QVariantList AppSettingsBridge::orderedModels(const QVariantList &catalog) const
{
    QHash<QString, int> indexById;
    for (int i = 0; i < catalog.size(); ++i) {
        const QString id = catalog.at(i).toMap().value(QStringLiteral("id")).toString().trimmed();
        if (!id.isEmpty() && !indexById.contains(id))
            indexById.insert(id, i);
    }

    QVariantList result;
    result.reserve(catalog.size());
    QVector<bool> emitted(catalog.size(), false);
    for (const QString &raw : productOrder()) {
        const auto found = indexById.constFind(raw.trimmed());
        if (found == indexById.constEnd() || emitted.at(found.value()))
            continue;
        emitted[found.value()] = true;
        result.append(catalog.at(found.value()));
    }
    for (int i = 0; i < catalog.size(); ++i) {
        if (!emitted.at(i))
            result.append(catalog.at(i));
    }
    return result;
}

void AppSettingsBridge::clearProduct()
{
    // The product first, then the language, so that whoever hears of the
    // language change already reads no product.
    {
        QSettings settings;
        settings.beginGroup(QLatin1String(kStartupGroup));
        for (const QString &key : settings.childKeys()) {
            if (key != QLatin1String("isChinese"))
                settings.remove(key);
        }
        settings.endGroup();
        settings.sync();
    }
    const bool chinese = Language::isChinese();
    Language::forgetStored();
    if (Language::isChinese() == chinese)
        emit settingsChanged();
}
