#pragma once

#include "catalog/ModelSpec.h"

#include <QObject>
#include <QVariantList>

// Owns the capability record of the selected product and turns its option
// lists into the {"label","value","writeValue"} maps the interface uses.
class GimbalModel : public QObject
{
    Q_OBJECT
public:
    explicit GimbalModel(const ModelSpec &caps, QObject *parent = nullptr);
    // The catalogue's record for this product id (unknown ids give Otter,
    // aliases the canonical id).
    explicit GimbalModel(const QString &id, QObject *parent = nullptr);

    const ModelSpec &modelSpec() const { return m_modelSpec; }
    QString id() const { return m_modelSpec.id; }

    Q_INVOKABLE QVariantList photoResolutions(bool chinese) const;
    Q_INVOKABLE QVariantList recordResolutions(bool chinese) const;
    Q_INVOKABLE QVariantList streamResolutions(bool chinese) const;
    Q_INVOKABLE QVariantList bitrates(bool chinese) const;
    Q_INVOKABLE QVariantList videoOutputModes(bool chinese) const;
    // The palette set follows the infrared core the camera reports, not the
    // product: 1 and 3 are the older cores, anything else the current one.
    Q_INVOKABLE QVariantList irColorPalettes(bool chinese, int irDeviceType = 0) const;
    Q_INVOKABLE QVariantList aiCategories(bool chinese) const;
    Q_INVOKABLE QVariantList osdItems(bool chinese) const;

    static QVariantList toOptionList(const QVector<ModelOption> &options, bool chinese);

private:
    const ModelSpec m_modelSpec;
};
