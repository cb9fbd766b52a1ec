#include "video/VideoUrlHistory.h"

#include "video/StreamTransport.h"

#include <QSettings>

namespace
{

QString keyFor(const QString &modelId)
{
    return QStringLiteral("Video/urls_") + modelId;
}

QString transportsKeyFor(const QString &modelId)
{
    return QStringLiteral("Video/transports_") + modelId;
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
    // Addresses that left the list take their transport with them.
    QVariantMap transports = settings.value(transportsKeyFor(m)).toMap();
    for (const QString &address : transports.keys()) {
        if (!list.contains(address))
            transports.remove(address);
    }
    if (transports.isEmpty())
        settings.remove(transportsKeyFor(m));
    else
        settings.setValue(transportsKeyFor(m), transports);
    settings.sync();
    if (m == m_modelId) {
        m_history = list;
        emit historyChanged();
    }
}

QString VideoUrlHistory::transportFor(const QString &url) const
{
    const QVariantMap transports = QSettings().value(transportsKeyFor(m_modelId)).toMap();
    return StreamTransport::name(
        StreamTransport::fromName(transports.value(url.trimmed()).toString()));
}

bool VideoUrlHistory::setTransportFor(const QString &url, const QString &transport)
{
    const QString u = url.trimmed();
    bool ok = false;
    const StreamTransport::Choice choice = StreamTransport::fromName(transport, &ok);
    if (u.isEmpty() || !ok)
        return false;
    QSettings settings;
    QVariantMap transports = settings.value(transportsKeyFor(m_modelId)).toMap();
    if (choice == StreamTransport::Auto)
        transports.remove(u);
    else
        transports.insert(u, StreamTransport::name(choice));
    if (transports.isEmpty())
        settings.remove(transportsKeyFor(m_modelId));
    else
        settings.setValue(transportsKeyFor(m_modelId), transports);
    settings.sync();
    emit transportsChanged();
    return true;
}
