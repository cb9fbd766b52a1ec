#include "catalog/GimbalModel.h"

#include "catalog/GimbalModelFactory.h"

#include <QVariantMap>

GimbalModel::GimbalModel(const ModelSpec &caps, QObject *parent)
    : QObject(parent), m_modelSpec(caps)
{
}

GimbalModel::GimbalModel(const QString &id, QObject *parent)
    : GimbalModel(GimbalModelFactory::buildSpec(id), parent)
{
}

QVariantList GimbalModel::toOptionList(const QVector<ModelOption> &options, bool chinese)
{
    QVariantList list;
    list.reserve(options.size());
    for (const ModelOption &o : options) {
        QVariantMap entry;
        entry.insert(QStringLiteral("label"), chinese ? o.chineseLabel : o.englishLabel);
        entry.insert(QStringLiteral("value"), o.value);
        entry.insert(QStringLiteral("writeValue"), o.effectiveWriteValue());
        list.append(entry);
    }
    return list;
}

QVariantList GimbalModel::photoResolutions(bool chinese) const
{
    return toOptionList(m_modelSpec.photoResolutions, chinese);
}

QVariantList GimbalModel::recordResolutions(bool chinese) const
{
    return toOptionList(m_modelSpec.recordResolutions, chinese);
}

QVariantList GimbalModel::streamResolutions(bool chinese) const
{
    return toOptionList(m_modelSpec.streamResolutions, chinese);
}

QVariantList GimbalModel::bitrates(bool chinese) const
{
    return toOptionList(m_modelSpec.bitrates, chinese);
}

QVariantList GimbalModel::videoOutputModes(bool chinese) const
{
    return toOptionList(m_modelSpec.videoOutputModes, chinese);
}

QVariantList GimbalModel::irColorPalettes(bool chinese, int irDeviceType) const
{
    switch (irDeviceType) {
    case 1:
        return toOptionList(GimbalModelFactory::paletteSet1(), chinese);
    case 3:
        return toOptionList(GimbalModelFactory::paletteSet2(), chinese);
    default:
        return toOptionList(GimbalModelFactory::paletteSet3(), chinese);
    }
}

QVariantList GimbalModel::aiCategories(bool chinese) const
{
    return toOptionList(m_modelSpec.aiCategories, chinese);
}

QVariantList GimbalModel::osdItems(bool chinese) const
{
    return toOptionList(m_modelSpec.osdItems, chinese);
}
