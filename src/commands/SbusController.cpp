#include "commands/SbusController.h"

#include "link/CommandCode.h"
#include "link/Payload.h"

SbusController::SbusController(QObject *parent) : BaseGimbalController(parent) {}

void SbusController::sbusRangeSet(int max, int min)
{
    QByteArray p;
    Payload::appendU16(p, quint16(Payload::clampInt(max, 0, 65535)));
    Payload::appendU16(p, quint16(Payload::clampInt(min, 0, 65535)));
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::SetSbusRange, p);
}

void SbusController::sbusChannelConfig(int stream, int zoom, int photo, int record, int pitch,
                                       int yaw, int center, int irPalette)
{
    QByteArray p;
    for (int channel : {stream, zoom, photo, record, pitch, yaw, center, irPalette})
        Payload::appendU8(p, Payload::clampInt(channel, 0, NoChannel));
    sendCommand(CommandCode::SetSbusChannels, p);
}

void SbusController::sbusConfigGet()
{
    sendQuery(CommandCode::GetSbusConfig);
}

void SbusController::sbusSwitch(bool on)
{
    sendValue(CommandCode::SbusSwitch, on ? 1 : 2);
}
