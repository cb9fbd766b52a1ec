#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantList>

// The stream addresses the operator played or saved, per product model, most
// recent first, at most four, kept in the settings store ("Video/urls_<model>").
// A model without a list of its own starts from the legacy shared list
// ("Video/urlHistory"), which is only ever read. Each address may also carry
// the transport chosen for it ("Video/transports_<model>": address to "tcp"
// or "udp"; an address without an entry uses "auto"), kept apart from the
// list so that lists stored before transports existed load as they were.
class VideoUrlHistory : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString modelId READ modelId WRITE setModelId NOTIFY modelIdChanged)
    Q_PROPERTY(QStringList history READ history NOTIFY historyChanged)

public:
    static constexpr int MaxEntries = 4;

    explicit VideoUrlHistory(QObject *parent = nullptr);

    QString modelId() const { return m_modelId; }
    void setModelId(const QString &modelId);
    QStringList history() const { return m_history; }

    Q_INVOKABLE QVariantList urlList() const;
    Q_INVOKABLE void saveUrl(const QString &url);
    Q_INVOKABLE void saveUrlForModel(const QString &modelId, const QString &url);
    // "auto", "tcp" or "udp" for an address of the current model.
    Q_INVOKABLE QString transportFor(const QString &url) const;
    // False (nothing stored) for an empty address or an unknown transport.
    Q_INVOKABLE bool setTransportFor(const QString &url, const QString &transport);

    // Trimmed; blank becomes "default".
    static QString normalizedModelId(const QString &modelId);

signals:
    void modelIdChanged();
    void historyChanged();
    void transportsChanged();

private:
    void load();

    QString m_modelId;
    QStringList m_history;
};
