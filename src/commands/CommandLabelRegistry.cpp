#include "commands/CommandLabelRegistry.h"

#include <QMutexLocker>

CommandLabelRegistry &CommandLabelRegistry::instance()
{
    static CommandLabelRegistry registry;
    return registry;
}

void CommandLabelRegistry::pushLabel(quint16 code, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return;
    QMutexLocker lock(&m_mutex);
    m_labels[code].append(trimmed);
}

QString CommandLabelRegistry::peekLabel(quint16 code) const
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_labels.constFind(code);
    return it == m_labels.constEnd() || it->isEmpty() ? QString() : it->first();
}

QString CommandLabelRegistry::takeLabel(quint16 code)
{
    QMutexLocker lock(&m_mutex);
    auto it = m_labels.find(code);
    if (it == m_labels.end() || it->isEmpty())
        return {};
    const QString label = it->takeFirst();
    if (it->isEmpty())
        m_labels.erase(it);
    return label;
}
