#pragma once

#include "catalog/ModelSpec.h"

#include <QString>
#include <QVariantList>
#include <QVector>

// The product catalogue: builds capability records, nothing else (the
// GimbalModel that owns one is made from its record). Every record starts from
// the base record, gets one family layer (dual-sensor or visible-only),
// optionally the secondary address, and finally the product's own changes.
class GimbalModelFactory
{
public:
    // Unknown or empty ids fall back to Otter; aliases yield the canonical id.
    static ModelSpec buildSpec(const QString &id);

    // Product-picker entries, maps with "id" and "name", in picker order.
    static QVariantList supportedModels();

    static ModelSpec baseSpec();

    static QVector<ModelOption> paletteSet1();
    static QVector<ModelOption> paletteSet2();
    static QVector<ModelOption> paletteSet3();
    static QVector<ModelOption> aiCategoryOptions();
    static QVector<ModelOption> osdItemOptions();

private:
    static void applyDualSensor(ModelSpec &caps, double visZoomMax, bool hasLaser);
    static void applyVisibleOnly(ModelSpec &caps, double visZoomMax);
    static void applySecondaryAddress(ModelSpec &caps);
    static void withoutOverlayAndAim(ModelSpec &caps);
    static void setIdentity(ModelSpec &caps, const QString &id, int deviceModelCode);
};
