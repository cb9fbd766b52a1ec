#include "video/VideoUrlHistory.h"

#include <QSettings>

namespace
{

QString keyFor(const QString &modelId)
{
    return QStringLiteral("Video/urls_") + modelId;
}

QStringList storedList(const QSettings &settings, const QString &modelId)
{
    QStringList list = settings.value(keyFor(modelId)).toStringList();
    list.removeAll(QString());
    return list;
}

} // namespace

VideoUrlHistory::VideoUrlHistory(QObject *parent)
    : QObject(parent), m_modelId(QStringLiteral("default"))
{
    load();
}

QString VideoUrlHistory::normalizedModelId(const QString &modelId)
{
    const QString trimmed = modelId.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("default") : trimmed;
}

void VideoUrlHistory::setModelId(const QString &modelId)
{
    const QString normalized = normalizedModelId(modelId);
    if (normalized == m_modelId)
        return;
    m_modelId = normalized;
    load();
    emit modelIdChanged();
    emit historyChanged();
}

QVariantList VideoUrlHistory::urlList() const
{
    QVariantList list;
    for (const QString &url : m_history)
        list.append(url);
    return list;
}

void VideoUrlHistory::load()
{
    QSettings settings;
    QStringList history = storedList(settings, m_modelId);
    if (history.isEmpty()) {
        const QStringList legacy =
            settings.value(QStringLiteral("Video/urlHistory")).toStringList();
        for (const QString &entry : legacy) {
            const QString url = entry.trimmed();
            if (!url.isEmpty() && !history.contains(url))
                history.append(url);
        }
        while (history.size() > MaxEntries)
            history.removeLast();
        if (!history.isEmpty()) {
            settings.setValue(keyFor(m_modelId), history);
            settings.sync();
        }
    }
    while (history.size() > MaxEntries)
        history.removeLast();
    m_history = history;
}

void VideoUrlHistory::saveUrl(const QString &url)
{
    saveUrlForModel(m_modelId, url);
}

void VideoUrlHistory::saveUrlForModel(const QString &modelId, const QString &url)
{
    const QString u = url.trimmed();
    if (u.isEmpty())
        return;
    const QString m = normalizedModelId(modelId);
    QSettings settings;
    QStringList list = m == m_modelId ? m_history : storedList(settings, m);
    list.removeAll(u);
    list.prepend(u);
    while (list.size() > MaxEntries)
        list.removeLast();
    settings.setValue(keyFor(m), list);
    settings.sync();
    if (m == m_modelId) {
        m_history = list;
        emit historyChanged();
    }
}
