#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantList>

// The stream addresses the operator played or saved, per product model, most
// recent first, at most four, kept in the settings store ("Video/urls_<model>").
// A model without a list of its own starts from the legacy shared list
// ("Video/urlHistory"), which is only ever read.
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

    // Trimmed; blank becomes "default".
    static QString normalizedModelId(const QString &modelId);

signals:
    void modelIdChanged();
    void historyChanged();

private:
    void load();

    QString m_modelId;
    QStringList m_history;
};
