#pragma once

#include "catalog/ModelOption.h"

#include <QString>
#include <QVector>

// Capability record of one product. Built once by the factory and never
// changed afterwards; the interface shows or hides controls from it.
struct ModelSpec {
    QString id;
    QString name;
    QString defaultVideoUrl;
    QString defaultUdpIp;
    // The model code the camera reports in its gimbal status.
    int deviceModelCode = 0;
    // Bytes per media packet the camera's media sender takes for a file download.
    int mediaPacketSize = 57344;

    bool hasVisibleLight = false;
    bool hasInfrared = false;
    bool hasAiRecognition = false;
    bool hasOsd = false;
    bool hasSbus = false;
    bool hasSbusRange = false;
    bool hasNetworkConfig = false;
    bool hasLaser = false;
    bool hasVideoOutputFormat = false;
    bool hasIrAiSuperRes = false;
    bool hasIrTemp = false;
    bool hasIrFusion = false;

    int visFusionHMin = 0;
    int visFusionHMax = 0;
    int visFusionVMin = 0;
    int visFusionVMax = 0;
    bool irFusionOffsetLimited = true;
    int irFusionHMin = 0;
    int irFusionHMax = 0;
    int irFusionVMin = 0;
    int irFusionVMax = 0;

    bool hasGimbalPointAim = false;
    bool hasAlbum = false;
    bool hasHttpFirmwareUpgrade = false;
    bool hasUartProtocolConfig = false;

    // Kept in double precision so that steps such as 0.1 reach the interface
    // without single-precision noise (a float 0.1 shows as 0.100000001...).
    double visZoomMin = 1.0;
    double visZoomMax = 1.0;
    double visZoomStep = 1.0;
    double irZoomMin = 1.0;
    double irZoomMax = 1.0;
    double irZoomStep = 1.0;
    double pitchMinDeg = 0.0;
    double pitchMaxDeg = 0.0;
    double yawMinDeg = 0.0;
    double yawMaxDeg = 0.0;

    QVector<ModelOption> photoResolutions;
    QVector<ModelOption> recordResolutions;
    QVector<ModelOption> streamResolutions;
    QVector<ModelOption> bitrates;
    QVector<ModelOption> videoOutputModes;
    // Stored for completeness; the palettes offered to the interface depend
    // on the infrared device type the camera reports.
    QVector<ModelOption> irColorPalettes;
    QVector<ModelOption> aiCategories;
    QVector<ModelOption> osdItems;
};
