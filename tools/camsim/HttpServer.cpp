#include "camsim/HttpServer.h"

#include "camsim/LoopbackRule.h"
#include "catalog/FirmwareNameRules.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <httplib.h>

#include <atomic>
#include <chrono>

namespace
{

std::string reply(int code, const QString &message)
{
    const QJsonObject object{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

QString fromStd(const std::string &text)
{
    return QString::fromUtf8(text.data(), int(text.size()));
}

} // namespace

HttpServer::HttpServer(const QString &bindAddress, const QString &modelId, bool allowRemote,
                       const Faults &faults, QObject *parent)
    : QObject(parent), m_bindAddress(bindAddress), m_modelId(modelId), m_allowRemote(allowRemote),
      m_faults(faults)
{
}

HttpServer::~HttpServer()
{
    stop();
}

QByteArray HttpServer::versionOfPackage(const QString &fileName)
{
    static const QRegularExpression digits(QStringLiteral("V([0-9]+(?:\\.[0-9]+)*)-"));
    const QStringList parts = digits.match(fileName).captured(1).split(QLatin1Char('.'));
    QByteArray version;
    for (int i = 0; i < 3; ++i) {
        const uint v = i < parts.size() ? parts.at(i).left(9).toUInt() : 0;
        version.append(char(qMin(v, 255u)));
    }
    return version;
}

HttpServer::Upload HttpServer::lastUpload() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_upload;
}

void HttpServer::stall()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [this] { return m_stopping; });
}

bool HttpServer::start(quint16 port, QString *error)
{
    m_server = std::make_unique<httplib::Server>();
    httplib::Server &server = *m_server;

    // Even bound to every interface, only loopback peers are served unless
    // remote peers were allowed.
    server.set_pre_routing_handler(
        [this](const httplib::Request &request, httplib::Response &response) {
            if (m_allowRemote || LoopbackRule::isLoopback(fromStd(request.remote_addr)))
                return httplib::Server::HandlerResponse::Unhandled;
            response.status = 403;
            return httplib::Server::HandlerResponse::Handled;
        });

    server.Post(UploadPath, [this](const httplib::Request &request, httplib::Response &response,
                                   const httplib::ContentReader &content) {
        if (!request.is_multipart_form_data()) {
            response.status = 400;
            response.set_content("expected multipart/form-data", "text/plain");
            return;
        }
        // The package is hashed as it arrives and never kept in memory.
        QCryptographicHash hash(QCryptographicHash::Md5);
        bool inPackage = false;
        bool seenPackage = false;
        QString fileName;
        qint64 size = 0;
        const bool complete = content(
            [&](const httplib::MultipartFormData &part) {
                inPackage = part.name == "Upgrade" && !seenPackage;
                if (inPackage) {
                    seenPackage = true;
                    fileName = QFileInfo(fromStd(part.filename)).fileName();
                }
                return true;
            },
            [&](const char *data, size_t length) {
                if (inPackage) {
                    hash.addData(data, int(length));
                    size += qint64(length);
                }
                return true;
            });
        if (!complete)
            return; // the peer went away; nothing is stored
        if (m_faults.stallUpload) {
            stall();
            return;
        }
        if (m_faults.uploadStatus != 0) {
            response.status = m_faults.uploadStatus;
            response.set_content(m_faults.uploadBody.toStdString(), "text/plain");
            return;
        }
        if (!seenPackage || fileName.isEmpty()) {
            response.status = 400;
            response.set_content(reply(BadRequest, QStringLiteral("no \"Upgrade\" file part")),
                                 "application/json");
            return;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_upload = Upload{fileName, QString::fromLatin1(hash.result().toHex()), size};
        }
        if (m_faults.cutUploadReply) {
            // The connection breaks while the body is on its way: the status
            // said success, the exchange did not end as one.
            response.set_content_provider(64, "application/json",
                                          [](size_t, size_t, httplib::DataSink &sink) {
                                              sink.write("{\"co", 4);
                                              return false;
                                          });
            return;
        }
        response.set_content(reply(Accepted, QString()), "application/json");
    });

    server.Post(StartPath, [this](const httplib::Request &request, httplib::Response &response) {
        if (m_faults.stallStart) {
            stall();
            return;
        }
        if (m_faults.startBody) {
            response.set_content(m_faults.startBody->toStdString(), "text/plain");
            return;
        }
        const QJsonObject req = QJsonDocument::fromJson(QByteArray::fromStdString(request.body))
                                    .object()
                                    .value(QLatin1String("req"))
                                    .toObject();
        const QString fileName = req.value(QLatin1String("fileName")).toString();
        const QString md5 = req.value(QLatin1String("md5")).toString();
        int code = Accepted;
        QString message;
        if (m_faults.startCode) {
            code = *m_faults.startCode;
            message = code == Accepted ? QString() : m_faults.startMessage;
        } else if (req.value(QLatin1String("flag")).toInt(-1) != 1 || fileName.isEmpty() ||
                   md5.isEmpty()) {
            code = BadRequest;
            message = QStringLiteral("expected {\"req\":{\"fileName\",\"flag\":1,\"md5\"}}");
        } else {
            const Upload upload = lastUpload();
            if (upload.size < 0) {
                code = NoUpload;
                message = QStringLiteral("no package uploaded");
            } else if (fileName != upload.fileName) {
                code = NameMismatch;
                message = QStringLiteral("package name differs from the upload");
            } else if (md5.compare(upload.md5, Qt::CaseInsensitive) != 0) {
                code = Md5Mismatch;
                message = QStringLiteral("MD5 differs from the upload");
            } else if (!FirmwareNameRules::isFirmwareFileNameValid(m_modelId, fileName)) {
                code = WrongModel;
                message = QStringLiteral("package is not for this product");
            }
        }
        response.set_content(reply(code, message), "application/json");
        if (code == Accepted)
            emit upgradeStarted(fileName);
    });

    const std::string host = m_bindAddress.toStdString();
    int bound = 0;
    if (port == 0)
        bound = server.bind_to_any_port(host);
    else if (server.bind_to_port(host, port))
        bound = port;
    if (bound <= 0) {
        *error = QStringLiteral("cannot listen for HTTP on %1:%2").arg(m_bindAddress).arg(port);
        m_server.reset();
        return false;
    }
    m_port = quint16(bound);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    m_thread = std::thread([&server, ended] {
        server.listen_after_bind();
        *ended = true; // also when it could not start at all
    });
    // A server stopped before its loop runs would never notice: wait until
    // it is in the loop (a matter of microseconds).
    while (!server.is_running() && !*ended)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void HttpServer::stop()
{
    if (!m_server)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
    m_server.reset();
}
