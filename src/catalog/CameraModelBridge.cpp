#include "catalog/CameraModelBridge.h"

#include "catalog/FirmwareNameRules.h"
#include "catalog/GimbalModel.h"
#include "catalog/GimbalModelFactory.h"
#include "catalog/ModelProvider.h"

#include <QSettings>

namespace
{

const char *const kAutoStreamPrefix = "video/autoStream_";
const char *const kAutoStreamGlobal = "video/autoStream";
const char *const kPointAimPrefix = "gimbal/videoPointAim_";

// What the interface sees while no product is selected: the base record's
// addresses and ranges, but no capability at all.
ModelSpec makeNoModelSpec()
{
    ModelSpec s = GimbalModelFactory::baseSpec();
    s.id.clear();
    s.name.clear();
    s.hasVisibleLight = false;
    s.hasInfrared = false;
    s.hasAiRecognition = false;
    s.hasOsd = false;
    s.hasSbus = false;
    s.hasSbusRange = false;
    s.hasNetworkConfig = false;
    s.hasLaser = false;
    s.hasVideoOutputFormat = false;
    s.hasIrAiSuperRes = false;
    s.hasIrTemp = false;
    s.hasIrFusion = false;
    s.irFusionOffsetLimited = true;
    s.hasGimbalPointAim = false;
    s.hasAlbum = false;
    s.hasHttpFirmwareUpgrade = false;
    s.hasUartProtocolConfig = false;
    return s;
}

} // namespace

CameraModelBridge::CameraModelBridge(ModelProvider *controller, QObject *parent)
    : QObject(parent), m_controller(controller)
{
    if (controller)
        connect(controller, &ModelProvider::modelChanged, this, &CameraModelBridge::onModelChanged);
    loadPreferences();
}

GimbalModel *CameraModelBridge::currentModel() const
{
    return m_controller ? m_controller->model() : nullptr;
}

const ModelSpec &CameraModelBridge::current() const
{
    if (const GimbalModel *model = currentModel())
        return model->modelSpec();
    static const ModelSpec noModel = makeNoModelSpec();
    return noModel;
}

QString CameraModelBridge::modelKey() const
{
    const GimbalModel *model = currentModel();
    const QString key = model ? model->id().trimmed() : QString();
    return key.isEmpty() ? QStringLiteral("default") : key;
}

void CameraModelBridge::loadPreferences()
{
    const QString key = modelKey();
    QSettings settings;

    const QString perModel = QLatin1String(kAutoStreamPrefix) + key;
    const bool autoStream = settings.contains(perModel)
                                ? settings.value(perModel).toBool()
                                : settings.value(QLatin1String(kAutoStreamGlobal), false).toBool();
    if (autoStream != m_autoStream) {
        m_autoStream = autoStream;
        emit autoStreamChanged();
    }

    const bool pointAim = settings.value(QLatin1String(kPointAimPrefix) + key, true).toBool();
    if (pointAim != m_videoPointAimEnabled) {
        m_videoPointAimEnabled = pointAim;
        emit videoPointAimEnabledChanged();
    }
}

void CameraModelBridge::onModelChanged()
{
    loadPreferences();
    emit changed();
}

void CameraModelBridge::setAutoStream(bool enabled)
{
    if (enabled == m_autoStream)
        return;
    m_autoStream = enabled;
    QSettings settings;
    settings.setValue(QLatin1String(kAutoStreamPrefix) + modelKey(), enabled);
    settings.sync();
    emit autoStreamChanged();
}

void CameraModelBridge::setVideoPointAimEnabled(bool enabled)
{
    if (enabled == m_videoPointAimEnabled)
        return;
    m_videoPointAimEnabled = enabled;
    QSettings settings;
    settings.setValue(QLatin1String(kPointAimPrefix) + modelKey(), enabled);
    settings.sync();
    emit videoPointAimEnabledChanged();
}

QString CameraModelBridge::firmwareUpgradeFileNameHint(bool chinese) const
{
    return FirmwareNameRules::firmwareFileNameHint(modelId(), chinese);
}

QVariantList CameraModelBridge::supportedModels() const
{
    return GimbalModelFactory::supportedModels();
}

QVariantList CameraModelBridge::photoResolutions(bool chinese) const
{
    const GimbalModel *model = currentModel();
    return model ? model->photoResolutions(chinese) : QVariantList();
}

QVariantList CameraModelBridge::recordResolutions(bool chinese) const
{
    const GimbalModel *model = currentModel();
    return model ? model->recordResolutions(chinese) : QVariantList();
}

QVariantList CameraModelBridge::streamResolutions(bool chinese) const
{
    const GimbalModel *model = currentModel();
    return model ? model->streamResolutions(chinese) : QVariantList();
}

QVariantList CameraModelBridge::bitrates(bool chinese) const
{
    const GimbalModel *model = currentModel();
    return model ? model->bitrates(chinese) : QVariantList();
}

QVariantList CameraModelBridge::videoOutputModes(bool chinese) const
{
    const GimbalModel *model = currentModel();
    return model ? model->videoOutputModes(chinese) : QVariantList();
}

QVariantList CameraModelBridge::irColorPalettes(bool chinese, int irDeviceType) const
{
    const GimbalModel *model = currentModel();
    return model ? model->irColorPalettes(chinese, irDeviceType) : QVariantList();
}

QVariantList CameraModelBridge::aiCategories(bool chinese) const
{
    const GimbalModel *model = currentModel();
    return model ? model->aiCategories(chinese) : QVariantList();
}

QVariantList CameraModelBridge::osdItems(bool chinese) const
{
    const GimbalModel *model = currentModel();
    return model ? model->osdItems(chinese) : QVariantList();
}

// Every capability property reads the field of the same name.
#define SKYRIG_SPEC_GETTER(Type, field)                                                            \
    Type CameraModelBridge::field() const                                                          \
    {                                                                                              \
        return current().field;                                                                    \
    }

SKYRIG_SPEC_GETTER(QString, defaultVideoUrl)
SKYRIG_SPEC_GETTER(QString, defaultUdpIp)
SKYRIG_SPEC_GETTER(bool, hasVisibleLight)
SKYRIG_SPEC_GETTER(bool, hasInfrared)
SKYRIG_SPEC_GETTER(bool, hasAiRecognition)
SKYRIG_SPEC_GETTER(bool, hasOsd)
SKYRIG_SPEC_GETTER(bool, hasSbus)
SKYRIG_SPEC_GETTER(bool, hasSbusRange)
SKYRIG_SPEC_GETTER(bool, hasNetworkConfig)
SKYRIG_SPEC_GETTER(bool, hasLaser)
SKYRIG_SPEC_GETTER(bool, hasVideoOutputFormat)
SKYRIG_SPEC_GETTER(bool, hasIrAiSuperRes)
SKYRIG_SPEC_GETTER(bool, hasIrTemp)
SKYRIG_SPEC_GETTER(bool, hasIrFusion)
SKYRIG_SPEC_GETTER(int, visFusionHMin)
SKYRIG_SPEC_GETTER(int, visFusionHMax)
SKYRIG_SPEC_GETTER(int, visFusionVMin)
SKYRIG_SPEC_GETTER(int, visFusionVMax)
SKYRIG_SPEC_GETTER(bool, irFusionOffsetLimited)
SKYRIG_SPEC_GETTER(int, irFusionHMin)
SKYRIG_SPEC_GETTER(int, irFusionHMax)
SKYRIG_SPEC_GETTER(int, irFusionVMin)
SKYRIG_SPEC_GETTER(int, irFusionVMax)
SKYRIG_SPEC_GETTER(bool, hasGimbalPointAim)
SKYRIG_SPEC_GETTER(bool, hasAlbum)
SKYRIG_SPEC_GETTER(bool, hasHttpFirmwareUpgrade)
SKYRIG_SPEC_GETTER(bool, hasUartProtocolConfig)
SKYRIG_SPEC_GETTER(double, visZoomMin)
SKYRIG_SPEC_GETTER(double, visZoomMax)
SKYRIG_SPEC_GETTER(double, visZoomStep)
SKYRIG_SPEC_GETTER(double, irZoomMin)
SKYRIG_SPEC_GETTER(double, irZoomMax)
SKYRIG_SPEC_GETTER(double, irZoomStep)
SKYRIG_SPEC_GETTER(double, pitchMinDeg)
SKYRIG_SPEC_GETTER(double, pitchMaxDeg)
SKYRIG_SPEC_GETTER(double, yawMinDeg)
SKYRIG_SPEC_GETTER(double, yawMaxDeg)

#undef SKYRIG_SPEC_GETTER

QString CameraModelBridge::modelId() const
{
    return current().id;
}

QString CameraModelBridge::modelName() const
{
    return current().name;
}
