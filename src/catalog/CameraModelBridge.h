#pragma once

#include "catalog/ModelSpec.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>

class GimbalModel;
class ModelProvider;

// Exposes the capabilities and option lists of the selected product to the
// interface, plus two preferences remembered per product.
class CameraModelBridge : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString modelId READ modelId NOTIFY changed)
    Q_PROPERTY(QString modelName READ modelName NOTIFY changed)
    Q_PROPERTY(QString defaultVideoUrl READ defaultVideoUrl NOTIFY changed)
    Q_PROPERTY(QString defaultUdpIp READ defaultUdpIp NOTIFY changed)
    Q_PROPERTY(bool hasVisibleLight READ hasVisibleLight NOTIFY changed)
    Q_PROPERTY(bool hasInfrared READ hasInfrared NOTIFY changed)
    Q_PROPERTY(bool hasAiRecognition READ hasAiRecognition NOTIFY changed)
    Q_PROPERTY(bool hasOsd READ hasOsd NOTIFY changed)
    Q_PROPERTY(bool hasSbus READ hasSbus NOTIFY changed)
    Q_PROPERTY(bool hasSbusRange READ hasSbusRange NOTIFY changed)
    Q_PROPERTY(bool hasNetworkConfig READ hasNetworkConfig NOTIFY changed)
    Q_PROPERTY(bool hasLaser READ hasLaser NOTIFY changed)
    Q_PROPERTY(bool hasVideoOutputFormat READ hasVideoOutputFormat NOTIFY changed)
    Q_PROPERTY(bool hasIrAiSuperRes READ hasIrAiSuperRes NOTIFY changed)
    Q_PROPERTY(bool hasIrTemp READ hasIrTemp NOTIFY changed)
    Q_PROPERTY(bool hasIrFusion READ hasIrFusion NOTIFY changed)
    Q_PROPERTY(int visFusionHMin READ visFusionHMin NOTIFY changed)
    Q_PROPERTY(int visFusionHMax READ visFusionHMax NOTIFY changed)
    Q_PROPERTY(int visFusionVMin READ visFusionVMin NOTIFY changed)
    Q_PROPERTY(int visFusionVMax READ visFusionVMax NOTIFY changed)
    Q_PROPERTY(bool irFusionOffsetLimited READ irFusionOffsetLimited NOTIFY changed)
    Q_PROPERTY(int irFusionHMin READ irFusionHMin NOTIFY changed)
    Q_PROPERTY(int irFusionHMax READ irFusionHMax NOTIFY changed)
    Q_PROPERTY(int irFusionVMin READ irFusionVMin NOTIFY changed)
    Q_PROPERTY(int irFusionVMax READ irFusionVMax NOTIFY changed)
    Q_PROPERTY(bool hasGimbalPointAim READ hasGimbalPointAim NOTIFY changed)
    Q_PROPERTY(bool hasAlbum READ hasAlbum NOTIFY changed)
    Q_PROPERTY(bool hasHttpFirmwareUpgrade READ hasHttpFirmwareUpgrade NOTIFY changed)
    Q_PROPERTY(bool hasUartProtocolConfig READ hasUartProtocolConfig NOTIFY changed)
    Q_PROPERTY(double visZoomMin READ visZoomMin NOTIFY changed)
    Q_PROPERTY(double visZoomMax READ visZoomMax NOTIFY changed)
    Q_PROPERTY(double visZoomStep READ visZoomStep NOTIFY changed)
    Q_PROPERTY(double irZoomMin READ irZoomMin NOTIFY changed)
    Q_PROPERTY(double irZoomMax READ irZoomMax NOTIFY changed)
    Q_PROPERTY(double irZoomStep READ irZoomStep NOTIFY changed)
    Q_PROPERTY(double pitchMinDeg READ pitchMinDeg NOTIFY changed)
    Q_PROPERTY(double pitchMaxDeg READ pitchMaxDeg NOTIFY changed)
    Q_PROPERTY(double yawMinDeg READ yawMinDeg NOTIFY changed)
    Q_PROPERTY(double yawMaxDeg READ yawMaxDeg NOTIFY changed)
    Q_PROPERTY(bool autoStream READ autoStream WRITE setAutoStream NOTIFY autoStreamChanged)
    Q_PROPERTY(bool videoPointAimEnabled READ videoPointAimEnabled WRITE setVideoPointAimEnabled
                   NOTIFY videoPointAimEnabledChanged)

public:
    explicit CameraModelBridge(ModelProvider *controller, QObject *parent = nullptr);

    QString modelId() const;
    QString modelName() const;
    QString defaultVideoUrl() const;
    QString defaultUdpIp() const;
    bool hasVisibleLight() const;
    bool hasInfrared() const;
    bool hasAiRecognition() const;
    bool hasOsd() const;
    bool hasSbus() const;
    bool hasSbusRange() const;
    bool hasNetworkConfig() const;
    bool hasLaser() const;
    bool hasVideoOutputFormat() const;
    bool hasIrAiSuperRes() const;
    bool hasIrTemp() const;
    bool hasIrFusion() const;
    int visFusionHMin() const;
    int visFusionHMax() const;
    int visFusionVMin() const;
    int visFusionVMax() const;
    bool irFusionOffsetLimited() const;
    int irFusionHMin() const;
    int irFusionHMax() const;
    int irFusionVMin() const;
    int irFusionVMax() const;
    bool hasGimbalPointAim() const;
    bool hasAlbum() const;
    bool hasHttpFirmwareUpgrade() const;
    bool hasUartProtocolConfig() const;
    double visZoomMin() const;
    double visZoomMax() const;
    double visZoomStep() const;
    double irZoomMin() const;
    double irZoomMax() const;
    double irZoomStep() const;
    double pitchMinDeg() const;
    double pitchMaxDeg() const;
    double yawMinDeg() const;
    double yawMaxDeg() const;

    bool autoStream() const { return m_autoStream; }
    bool videoPointAimEnabled() const { return m_videoPointAimEnabled; }

    // Trimmed id of the selected product, or "default" without one; it
    // suffixes the per-product settings keys.
    QString modelKey() const;

    Q_INVOKABLE QString firmwareUpgradeFileNameHint(bool chinese) const;
    Q_INVOKABLE void setAutoStream(bool enabled);
    Q_INVOKABLE void setVideoPointAimEnabled(bool enabled);
    Q_INVOKABLE QVariantList supportedModels() const;
    Q_INVOKABLE QVariantList photoResolutions(bool chinese) const;
    Q_INVOKABLE QVariantList recordResolutions(bool chinese) const;
    Q_INVOKABLE QVariantList streamResolutions(bool chinese) const;
    Q_INVOKABLE QVariantList bitrates(bool chinese) const;
    Q_INVOKABLE QVariantList videoOutputModes(bool chinese) const;
    Q_INVOKABLE QVariantList irColorPalettes(bool chinese, int irDeviceType = 0) const;
    Q_INVOKABLE QVariantList aiCategories(bool chinese) const;
    Q_INVOKABLE QVariantList osdItems(bool chinese) const;

signals:
    void changed();
    void autoStreamChanged();
    void videoPointAimEnabledChanged();

private slots:
    void onModelChanged();

private:
    GimbalModel *currentModel() const;
    const ModelSpec &current() const;
    void loadPreferences();

    QPointer<ModelProvider> m_controller;
    bool m_autoStream = false;
    bool m_videoPointAimEnabled = true;
};
