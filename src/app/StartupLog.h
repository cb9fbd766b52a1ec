#pragma once

#include <QFile>
#include <QList>
#include <QString>
#include <QTextStream>

class QQmlEngine;
class QQmlError;

// The start-up log: what the scene engine complained about while the interface
// was loading, kept in "qml-startup.log" next to the session logs. It is
// rewritten at every start so it only ever describes the latest run. A file
// that cannot be opened is not an error: its lines are simply lost.
class StartupLog
{
public:
    static const char *const FileName;

    explicit StartupLog(const QString &directory);
    ~StartupLog();

    StartupLog(const StartupLog &) = delete;
    StartupLog &operator=(const StartupLog &) = delete;

    bool isOpen() const { return m_file.isOpen(); }
    QString filePath() const { return m_file.fileName(); }

    void writeLine(const QString &text);
    void flush();

    // Writes each engine warning here (and to the debug output) as it arrives.
    void attach(QQmlEngine *engine);
    void writeWarnings(const QList<QQmlError> &warnings);

private:
    QFile m_file;
    QTextStream m_stream;
};
