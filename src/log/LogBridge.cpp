#include "log/LogBridge.h"

#include "link/Language.h"
#include "log/LogDirectory.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringListModel>

namespace
{

const char *const settingsKey = "log/rawCapture";
const QString fileStampFormat = QStringLiteral("yyyyMMdd-HHmmss");
const QString isoFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

// A log name that does not overwrite an earlier log: two runs started, or two
// captures opened, within the same second would otherwise truncate each other.
QString freshLogPath(const QString &directory, const QString &prefix, const QString &stamp)
{
    const QDir dir(directory);
    QString path = dir.filePath(QStringLiteral("%1-%2.log").arg(prefix, stamp));
    for (int n = 2; QFileInfo(path).isFile() && n < 1000; ++n)
        path = dir.filePath(QStringLiteral("%1-%2-%3.log").arg(prefix, stamp).arg(n));
    return path;
}

bool openForWriting(QFile &file, const QString &path)
{
    file.setFileName(path);
    // Unbuffered: every line is flushed anyway, and a failing disk then
    // cannot make unwritten lines pile up in memory.
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text |
                     QIODevice::Unbuffered);
}

} // namespace

LogBridge::LogBridge(QStringListModel *model, QObject *parent) : QObject(parent), m_model(model)
{
    init(LogDirectory::choose());
}

LogBridge::LogBridge(QStringListModel *model, const QString &logDirectory, QObject *parent)
    : QObject(parent), m_model(model)
{
    init(LogDirectory::chooseFrom(logDirectory));
}

void LogBridge::init(const QString &preferredDirectory)
{
    m_logDirectory = preferredDirectory;
    const QString stamp = QDateTime::currentDateTime().toString(fileStampFormat);
    if (!openSessionLog(stamp)) {
        m_logDirectory = LogDirectory::userDataLogs();
        if (!openSessionLog(stamp))
            m_logFilePath.clear();
    }
    LogDirectory::cleanUp(m_logDirectory, m_logFilePath, m_rawLogFilePath,
                          QDateTime::currentDateTime());
    m_rawCaptureEnabled = QSettings().value(QLatin1String(settingsKey), false).toBool();
    if (m_rawCaptureEnabled)
        openRawCapture();
}

LogBridge::~LogBridge()
{
    // Nobody is left to read a failure report.
    m_sessionFailureReported = m_rawFailureReported = true;
    closeRawCapture();
    if (m_sessionFile.isOpen()) {
        m_sessionStream.flush();
        m_sessionFile.close();
    }
}

bool LogBridge::openSessionLog(const QString &stamp)
{
    if (m_logDirectory.isEmpty() || !QDir().mkpath(m_logDirectory))
        return false;
    const QString path = freshLogPath(m_logDirectory, QStringLiteral("session"), stamp);
    if (!openForWriting(m_sessionFile, path))
        return false;
    m_logFilePath = path;
    m_sessionStream.setDevice(&m_sessionFile);
    m_sessionStream.setCodec("UTF-8");
    writeSessionLine(QStringLiteral("# Skyrig session log"));
    writeSessionLine(
        QStringLiteral("# started %1").arg(QDateTime::currentDateTime().toString(isoFormat)));
    writeSessionLine(QStringLiteral("# directory %1").arg(m_logDirectory));
    return true;
}

QString LogBridge::timeStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QString LogBridge::hexBytes(const QByteArray &data)
{
    return QString::fromLatin1(data.toHex(' '));
}

bool LogBridge::writeLine(QFile &file, QTextStream &stream, const QString &text)
{
    stream << timeStamp() << QLatin1String("  ") << text << QLatin1Char('\n');
    stream.flush();
    const bool ok = stream.status() == QTextStream::Ok && file.error() == QFileDevice::NoError;
    if (!ok) {
        // Clear the error so the next line tries again (the disk may have
        // room by then); the caller reports the first failure only.
        stream.resetStatus();
        file.unsetError();
    }
    return ok;
}

void LogBridge::reportWriteFailure(bool &reported, const QString &english, const QString &chinese,
                                   const QFile &file)
{
    if (reported)
        return;
    reported = true;
    const QString detail = QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(file.fileName()),
                                                         file.errorString());
    append(Language::pick(english, chinese).arg(detail));
}

void LogBridge::writeSessionLine(const QString &text)
{
    if (!m_sessionFile.isOpen())
        return;
    if (!writeLine(m_sessionFile, m_sessionStream, text))
        reportWriteFailure(m_sessionFailureReported,
                           QStringLiteral("[System] Log file write failed: %1"),
                           QStringLiteral("[系统] 日志文件写入失败: %1"), m_sessionFile);
}

void LogBridge::writeRawLine(const QString &text)
{
    if (!m_rawFile.isOpen())
        return;
    if (!writeLine(m_rawFile, m_rawStream, text))
        reportWriteFailure(m_rawFailureReported,
                           QStringLiteral("[System] Raw capture write failed: %1"),
                           QStringLiteral("[系统] 原始数据记录写入失败: %1"), m_rawFile);
}

void LogBridge::append(const QString &message)
{
    const QString text = message.trimmed();
    if (text.isEmpty())
        return;
    m_runText.clear();
    m_runCount = 0;
    addLine(text);
}

void LogBridge::appendCollapsing(const QString &message)
{
    const QString text = message.trimmed();
    if (text.isEmpty())
        return;
    if (m_model && m_runCount > 0 && text == m_runText && m_model->rowCount() > 0) {
        ++m_runCount;
        const int row = m_model->rowCount() - 1;
        m_model->setData(m_model->index(row),
                         QStringLiteral("%1 (\u00d7%2)").arg(text).arg(m_runCount));
        writeSessionLine(text);
        emit messageAppended(text);
        return;
    }
    addLine(text);
    m_runText = text;
    m_runCount = 1;
}

void LogBridge::addLine(const QString &text)
{
    writeSessionLine(text);
    if (m_model) {
        const int row = m_model->rowCount();
        m_model->insertRows(row, 1);
        m_model->setData(m_model->index(row), text);
        bool dropped = false;
        while (m_model->rowCount() > LineLimit) {
            m_model->removeRows(0, 1);
            dropped = true;
        }
        if (dropped)
            emit linesChanged();
        else
            emit lineAppended(m_model->rowCount() - 1);
    }
    emit messageAppended(text);
}

void LogBridge::appendDebug(const QString &message)
{
    const QString text = message.trimmed();
    if (text.isEmpty())
        return;
    writeSessionLine(QStringLiteral("[debug] ") + text);
}

void LogBridge::clear()
{
    m_runText.clear();
    m_runCount = 0;
    if (m_model)
        m_model->removeRows(0, m_model->rowCount());
    writeSessionLine(QStringLiteral("# UI log cleared"));
    emit linesChanged();
}

int LogBridge::lineCount() const
{
    return m_model ? m_model->rowCount() : 0;
}

QString LogBridge::lineAt(int row) const
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return QString();
    return m_model->data(m_model->index(row), Qt::DisplayRole).toString();
}

void LogBridge::appendRaw(const QString &direction, const QString &medium, const QString &channel,
                          const QByteArray &data)
{
    if (!m_rawCaptureEnabled || !m_rawFile.isOpen() || data.isEmpty())
        return;
    const QString name = channel.trimmed();
    writeRawLine(QStringLiteral("[%1 %2] %3  Len=%4  Data=%5")
                     .arg(medium.trimmed().toUpper(), direction.trimmed().toUpper(),
                          name.isEmpty() ? QStringLiteral("-") : name, QString::number(data.size()),
                          hexBytes(data)));
}

bool LogBridge::openRawCapture()
{
    if (m_rawFile.isOpen())
        return true;
    if (m_logDirectory.isEmpty())
        m_logDirectory = LogDirectory::choose();
    QDir().mkpath(m_logDirectory);
    const QString path = freshLogPath(m_logDirectory, QStringLiteral("raw"),
                                      QDateTime::currentDateTime().toString(fileStampFormat));
    if (!openForWriting(m_rawFile, path)) {
        m_rawLogFilePath.clear();
        emit rawLogFilePathChanged();
        return false;
    }
    m_rawFailureReported = false;
    m_rawStream.setDevice(&m_rawFile);
    m_rawStream.setCodec("UTF-8");
    writeRawLine(QStringLiteral("# Skyrig raw transport capture"));
    writeRawLine(QStringLiteral("# format: [MEDIUM DIR] channel  Len=N  Data=<hex>"));
    writeRawLine(QStringLiteral("# MEDIUM=UART|UDP  DIR=TX|RX"));
    writeRawLine(
        QStringLiteral("# started %1").arg(QDateTime::currentDateTime().toString(isoFormat)));
    m_rawLogFilePath = path;
    emit rawLogFilePathChanged();
    return true;
}

void LogBridge::closeRawCapture()
{
    if (!m_rawFile.isOpen())
        return;
    writeRawLine(
        QStringLiteral("# stopped %1").arg(QDateTime::currentDateTime().toString(isoFormat)));
    m_rawStream.flush();
    m_rawStream.setDevice(nullptr);
    m_rawFile.close();
}

void LogBridge::persistRawCapture(bool enabled)
{
    QSettings().setValue(QLatin1String(settingsKey), enabled);
}

void LogBridge::setRawCaptureEnabled(bool enabled)
{
    if (enabled == m_rawCaptureEnabled)
        return;
    m_rawCaptureEnabled = enabled;
    persistRawCapture(enabled);
    if (enabled) {
        if (!openRawCapture() || m_rawLogFilePath.isEmpty()) {
            append(Language::pick(QStringLiteral("[System] Failed to open raw capture log file"),
                                  QStringLiteral("[系统] 原始数据记录开启失败：无法创建日志文件")));
            m_rawCaptureEnabled = false;
            persistRawCapture(false);
        } else {
            append(Language::pick(QStringLiteral("[System] Raw capture enabled: %1"),
                                  QStringLiteral("[系统] 原始数据记录已开启: %1"))
                       .arg(m_rawLogFilePath));
        }
        emit rawCaptureEnabledChanged();
        return;
    }
    const QString oldPath = m_rawLogFilePath;
    closeRawCapture();
    m_rawLogFilePath.clear();
    if (!oldPath.isEmpty()) {
        emit rawLogFilePathChanged();
        append(Language::pick(QStringLiteral("[System] Raw capture disabled: %1"),
                              QStringLiteral("[系统] 原始数据记录已关闭: %1"))
                   .arg(oldPath));
    } else {
        append(Language::pick(QStringLiteral("[System] Raw capture disabled"),
                              QStringLiteral("[系统] 原始数据记录已关闭")));
    }
    emit rawCaptureEnabledChanged();
}
