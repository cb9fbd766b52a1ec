#include "app/StartupLog.h"

#include <QDebug>
#include <QDir>
#include <QQmlEngine>
#include <QQmlError>

const char *const StartupLog::FileName = "qml-startup.log";

StartupLog::StartupLog(const QString &directory)
{
    if (directory.isEmpty() || !QDir().mkpath(directory))
        return;
    m_file.setFileName(QDir(directory).filePath(QString::fromLatin1(FileName)));
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        m_stream.setDevice(&m_file);
        m_stream.setCodec("UTF-8");
    }
}

StartupLog::~StartupLog()
{
    flush();
    m_stream.setDevice(nullptr);
}

void StartupLog::writeLine(const QString &text)
{
    if (!m_file.isOpen())
        return;
    m_stream << text << '\n';
}

void StartupLog::flush()
{
    if (m_file.isOpen())
        m_stream.flush();
}

void StartupLog::attach(QQmlEngine *engine)
{
    if (!engine)
        return;
    // The handler below already prints each warning; the engine's own copy
    // would only repeat it.
    engine->setOutputWarningsToStandardError(false);
    QObject::connect(
        engine, &QQmlEngine::warnings, engine,
        [this](const QList<QQmlError> &warnings) { writeWarnings(warnings); },
        Qt::DirectConnection);
}

void StartupLog::writeWarnings(const QList<QQmlError> &warnings)
{
    for (const QQmlError &error : warnings) {
        const QString text = error.toString();
        qWarning().noquote() << text;
        writeLine(text);
    }
    flush();
}
