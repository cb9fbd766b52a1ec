#pragma once

#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

// Per-code FIFO of action labels: a command group pushes one just before it
// sends, so the log names the action ("Pitch up") instead of the code's name.
// One instance for the whole process.
class CommandLabelRegistry
{
public:
    static CommandLabelRegistry &instance();

    void pushLabel(quint16 code, const QString &text);
    QString peekLabel(quint16 code) const;
    QString takeLabel(quint16 code);

private:
    CommandLabelRegistry() = default;
    mutable QMutex m_mutex;
    QHash<quint16, QStringList> m_labels;
};
