#include "commands/SbusController.h"

#include "link/Payload.h"

namespace
{

constexpr quint16 CodeRangeSet = 0x0500;
constexpr quint16 CodeChannels = 0x0501;
constexpr quint16 CodeConfigGet = 0x0502;
constexpr quint16 CodeSwitch = 0x0503;

} // namespace

SbusController::SbusController(QObject *parent) : BaseGimbalController(parent) {}

void SbusController::sbusRangeSet(int max, int min)
{
    QByteArray p;
    Payload::appendU16(p, quint16(Payload::clampInt(max, 0, 65535)));
    Payload::appendU16(p, quint16(Payload::clampInt(min, 0, 65535)));
    Payload::appendU8(p, 0);
    sendCommand(CodeRangeSet, p);
}

void SbusController::sbusChannelConfig(int stream, int zoom, int photo, int record, int pitch,
                                       int yaw, int center, int irPalette)
{
    QByteArray p;
    for (int channel : {stream, zoom, photo, record, pitch, yaw, center, irPalette})
        Payload::appendU8(p, Payload::clampInt(channel, 0, NoChannel));
    sendCommand(CodeChannels, p);
}

void SbusController::sbusConfigGet()
{
    sendQuery(CodeConfigGet);
}

void SbusController::sbusSwitch(bool on)
{
    sendValue(CodeSwitch, on ? 1 : 2);
}
