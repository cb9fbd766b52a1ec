#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringListModel>
#include <QTextStream>

// The application log: every human-readable line is shown in the interface's
// log pane (a capped list model) and written with a millisecond time stamp to
// this run's session file. Also owns the optional raw link capture file.
class LogBridge : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString logFilePath READ logFilePath CONSTANT)
    Q_PROPERTY(QString logDirectory READ logDirectory CONSTANT)
    Q_PROPERTY(bool rawCaptureEnabled READ rawCaptureEnabled WRITE setRawCaptureEnabled NOTIFY
                   rawCaptureEnabledChanged)
    Q_PROPERTY(QString rawLogFilePath READ rawLogFilePath NOTIFY rawLogFilePathChanged)
public:
    static constexpr int LineLimit = 500;

    // Logs into the directory chosen by LogDirectory::choose().
    explicit LogBridge(QStringListModel *model, QObject *parent = nullptr);
    // Logs into the given directory (falls back to the per-user one when it
    // cannot be written). Used where the location must be controlled.
    LogBridge(QStringListModel *model, const QString &logDirectory, QObject *parent = nullptr);
    ~LogBridge() override;

    Q_INVOKABLE void append(const QString &message);
    // Like append, but the same line again right after itself becomes one
    // line with a count ("… (×3)") in the pane; the session file keeps each.
    void appendCollapsing(const QString &message);
    Q_INVOKABLE void appendDebug(const QString &message);
    Q_INVOKABLE void clear();
    Q_INVOKABLE int lineCount() const;
    Q_INVOKABLE QString lineAt(int row) const;
    Q_INVOKABLE void appendRaw(const QString &direction, const QString &medium,
                               const QString &channel, const QByteArray &data);

    QString logFilePath() const { return m_logFilePath; }
    QString logDirectory() const { return m_logDirectory; }
    bool rawCaptureEnabled() const { return m_rawCaptureEnabled; }
    void setRawCaptureEnabled(bool enabled);
    QString rawLogFilePath() const { return m_rawLogFilePath; }

    // "yyyy-MM-dd HH:mm:ss.zzz" local time, the prefix of every file line.
    static QString timeStamp();
    // Bytes as lower-case hex pairs separated by single spaces.
    static QString hexBytes(const QByteArray &data);

signals:
    void linesChanged();
    void lineAppended(int row);
    // Every line accepted by append(), trimmed; also without a model.
    void messageAppended(QString text);
    void rawCaptureEnabledChanged();
    void rawLogFilePathChanged();

private:
    void init(const QString &preferredDirectory);
    bool openSessionLog(const QString &stamp);
    bool openRawCapture();
    void closeRawCapture();
    void writeSessionLine(const QString &text);
    void addLine(const QString &text);
    void writeRawLine(const QString &text);
    // Writes one stamped line and flushes; false when the data did not reach
    // the file.
    static bool writeLine(QFile &file, QTextStream &stream, const QString &text);
    void reportWriteFailure(bool &reported, const QString &english, const QString &chinese,
                            const QFile &file);
    static void persistRawCapture(bool enabled);

    // The model may go before this object when both are children of the
    // application object.
    QPointer<QStringListModel> m_model;
    QFile m_sessionFile;
    QTextStream m_sessionStream;
    QFile m_rawFile;
    QTextStream m_rawStream;
    QString m_logDirectory;
    QString m_logFilePath;
    QString m_rawLogFilePath;
    bool m_rawCaptureEnabled = false;
    // The run of identical collapsing lines that ends the pane, if any.
    QString m_runText;
    int m_runCount = 0;
    bool m_sessionFailureReported = false;
    bool m_rawFailureReported = false;
};
