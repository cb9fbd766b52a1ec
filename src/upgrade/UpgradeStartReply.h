#pragma once

#include <QByteArray>
#include <QString>

// How the camera answered the request that starts an upgrade. The body is
// whatever the camera's HTTP service sent: normally a JSON object with a
// "code" (0 = accepted) and a "message", but any bytes must give a clear text.
class UpgradeStartReply
{
public:
    // The most body characters ever shown in a status text.
    static constexpr int SnippetLength = 200;

    bool ok = false;
    QString message;

    // `httpStatus` is the reply's status code (0 when there was none).
    static UpgradeStartReply evaluate(int httpStatus, const QByteArray &body, bool chinese);

    // The start of a reply body for a status text: decoded as UTF-8 up to the
    // first zero byte, at most SnippetLength characters, never ending in half
    // of a character pair.
    static QString snippet(const QByteArray &body);

    static bool isSuccessStatus(int httpStatus) { return httpStatus >= 200 && httpStatus <= 299; }
};
