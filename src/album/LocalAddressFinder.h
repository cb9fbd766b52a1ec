#pragma once

#include <QString>

// Finds this computer's IPv4 address as the camera sees it, to tell the camera
// where to send media. Empty when no usable address is found: the camera is
// then left with whatever client it had, rather than being sent to a made-up
// address.
class LocalAddressFinder
{
public:
    // host: the camera's address (or name). waitMs bounds the routing lookup.
    static QString addressToward(const QString &host, int waitMs = 200);
};
