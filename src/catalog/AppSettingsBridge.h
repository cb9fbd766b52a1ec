#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

// Persists the product choice, the interface language, the title-bar style
// and the product picker's order. Nothing is cached: every read goes to the
// settings store, so other writers are always seen.
class AppSettingsBridge : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hasProduct READ hasProduct NOTIFY settingsChanged)
    Q_PROPERTY(QString productName READ productName NOTIFY settingsChanged)
    Q_PROPERTY(QString productId READ productId NOTIFY settingsChanged)
    Q_PROPERTY(bool isChinese READ isChinese NOTIFY settingsChanged)
    Q_PROPERTY(bool useCustomTitleBar READ useCustomTitleBar NOTIFY useCustomTitleBarChanged)
    Q_PROPERTY(QStringList productOrder READ productOrder NOTIFY productOrderChanged)
    // Telemetry files (subtitles and a table) beside every local recording.
    Q_PROPERTY(bool recordTelemetry READ recordTelemetry NOTIFY recordTelemetryChanged)

public:
    explicit AppSettingsBridge(QObject *parent = nullptr);

    bool hasProduct() const;
    QString productName() const;
    QString productId() const;
    bool isChinese() const;
    bool useCustomTitleBar() const;
    QStringList productOrder() const;
    bool recordTelemetry() const { return storedRecordTelemetry(); }
    // The stored choice (on unless switched off), for whoever starts a
    // recording without a bridge at hand.
    static bool storedRecordTelemetry();

public slots:
    void saveProduct(const QString &name, const QString &id, bool isChinese);
    void setIsChinese(bool isChinese);
    void setUseCustomTitleBar(bool enabled);
    void setProductOrder(const QStringList &ids);
    void setRecordTelemetry(bool enabled);
    // Catalogue entries (maps with "id") in the stored order first, then the
    // rest in catalogue order; each entry appears exactly once.
    QVariantList orderedModels(const QVariantList &catalog) const;
    void clearProduct();

signals:
    void settingsChanged();
    void useCustomTitleBarChanged();
    void productOrderChanged();
    void recordTelemetryChanged();
};
