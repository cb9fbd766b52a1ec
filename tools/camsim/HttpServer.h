#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace httplib
{
class Server;
}

// The camera's HTTP upgrade service: takes a package as a multipart upload
// (field "Upgrade"), keeps its name, size and MD5, and accepts the request to
// start the upgrade only when the name and MD5 match what was uploaded and the
// name fits the simulated product's package rule. Runs on threads of its own;
// the one thing it tells the rest of the simulator, that an upgrade started,
// arrives as a queued signal.
class HttpServer : public QObject
{
    Q_OBJECT
public:
    // Faults a test or an operator can ask for.
    struct Faults {
        int uploadStatus = 0; // answer the upload with this status (0 = normally)
        QByteArray uploadBody = QByteArrayLiteral("simulated upload failure");
        bool stallUpload = false;     // read the upload, never answer
        bool cutUploadReply = false;  // answer with a success status, then break off
        bool stallStart = false;      // read the start request, never answer
        std::optional<int> startCode; // answer the start request with this code
        QString startMessage = QStringLiteral("upgrade refused by the simulator");
        std::optional<QByteArray> startBody; // answer the start request with these bytes
    };

    // What the last complete upload left behind.
    struct Upload {
        QString fileName;
        QString md5;
        qint64 size = -1; // -1 = nothing uploaded yet
    };

    static constexpr const char *UploadPath = "/v1/camera/NetWork/GetPackage";
    static constexpr const char *StartPath = "/v1/camera/NetWork/StartUpgrade";

    // Start-request answer codes.
    enum Code {
        Accepted = 0,
        NoUpload = 1,
        NameMismatch = 2,
        Md5Mismatch = 3,
        BadRequest = 4,
        WrongModel = 5
    };

    HttpServer(const QString &bindAddress, const QString &modelId, bool allowRemote,
               const Faults &faults, QObject *parent = nullptr);
    ~HttpServer() override;

    // Listens on `port` (0 picks a free one); false with `error` set when the
    // port cannot be had.
    bool start(quint16 port, QString *error);
    void stop();
    quint16 port() const { return m_port; }
    Upload lastUpload() const;

    // The version a package name announces ("L4T-V3.1.4-Upgrade.tar" ->
    // 3, 1, 4); missing parts are 0, parts above 255 are 255.
    static QByteArray versionOfPackage(const QString &fileName);

signals:
    // A start request was accepted for `fileName`.
    void upgradeStarted(const QString &fileName);

private:
    void stall();

    const QString m_bindAddress;
    const QString m_modelId;
    const bool m_allowRemote;
    const Faults m_faults;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    quint16 m_port = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    Upload m_upload;
};
