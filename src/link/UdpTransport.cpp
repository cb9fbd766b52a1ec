#include "link/UdpTransport.h"
UdpTransport::UdpTransport(QObject *parent) : ITransport(parent) {}
void UdpTransport::setTarget(const QHostAddress &a, quint16 p) { m_targetAddress = a; m_targetPort = p; }
void UdpTransport::setLocalPort(quint16 p) { m_localPort = p; }
quint16 UdpTransport::boundPort() const { return 0; }
bool UdpTransport::open() { return false; }
void UdpTransport::close() {}
bool UdpTransport::write(const QByteArray &) { return false; }
QString UdpTransport::displayName() const { return QStringLiteral("UDP"); }
void UdpTransport::onReadyRead() {}
