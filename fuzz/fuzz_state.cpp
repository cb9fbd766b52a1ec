// Feeds arbitrary device payloads to every decoder of the device state: the
// whole input to each slot once, then the input read as a script of
// (operation, length, bytes) steps so that sequences (held capture reports,
// link loss between reports, read-backs after echoes) are explored as well.

#include "link/Payload.h"
#include "state/GimbalState.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QVariantList>

#include <cstddef>
#include <cstdint>

namespace
{

constexpr int OperationCount = 38;

void apply(GimbalState &state, int op, const QByteArray &p)
{
    const int value = Payload::readS32(p, 0);
    const bool flag = Payload::readU8(p, 0) & 1;
    switch (op % OperationCount) {
    case 0:
        state.updateGimbalStatus(p);
        break;
    case 1:
        state.updateAttitude(p);
        break;
    case 2:
        state.updateCameraSystemStatus(p);
        break;
    case 3:
        state.updateIrStatus(p);
        break;
    case 4:
        state.updateVisStatus(p);
        break;
    case 5:
        state.updateCameraUpgradeStatus(p);
        break;
    case 6:
        state.updatePhotoStatus(p);
        break;
    case 7:
        state.updateRecordStatus(p);
        break;
    case 8:
        state.updateLaserDistance(p);
        break;
    case 9:
        state.updateAiTargets(p, false);
        break;
    case 10:
        state.updateAiTargets(p, true);
        break;
    case 11:
        state.updateAiCategoriesConfig(p);
        break;
    case 12: {
        QVariantList categories;
        for (int i = 1; i < p.size(); ++i)
            categories << int(qint8(p.at(i)));
        state.setAiRecognitionConfig(flag, categories);
        break;
    }
    case 13:
        state.updatePlaybackStatus(p);
        break;
    case 14:
        state.setTransportConnected(flag);
        break;
    case 15:
        state.updateGimbalVersion(p);
        break;
    case 16:
        state.updateCameraVersion(p);
        break;
    case 17:
        state.updateKernelVersion(p);
        break;
    case 18:
        state.updateDeviceSn(p);
        break;
    case 19:
        state.updateCoreTemp(p);
        break;
    case 20:
        state.updateUartProtocol(p);
        break;
    case 21:
        state.updateSbusConfig(p);
        break;
    case 22:
        state.updateCameraIpConfig(p);
        break;
    case 23:
        state.updatePlaybackClientConfig(0, p);
        break;
    case 24:
        state.updatePlaybackClientConfig(value, p);
        break;
    case 25:
        state.updateVisibleParams(p);
        break;
    case 26:
        state.updateInfraredParams(p);
        break;
    case 27:
        state.updateOsdConfig(p);
        break;
    case 28:
        state.setIrTempEnabled(flag);
        break;
    case 29:
        state.setIrBrightness(value);
        break;
    case 30:
        state.setIrContrast(value);
        break;
    case 31:
        state.setIrDenoise(flag, value);
        break;
    case 32:
        state.setIrEnhanceLevel(value);
        break;
    case 33:
        state.setIrAiSuperResEnabled(flag);
        break;
    case 34:
        state.setIrFusion(flag, value);
        break;
    case 35:
        state.setIrFusionGray(flag);
        break;
    case 36:
        state.setVisFusion(flag, value);
        break;
    case 37:
        state.setVisFusionGray(flag);
        break;
    }
}

// Reading every property exercises the list builders on whatever was stored.
void readAll(const GimbalState &state)
{
    volatile unsigned sink = 0;
    sink = sink + unsigned(state.aiTargets().size());
    sink = sink + unsigned(state.aiSelectedCategories().size());
    sink = sink + unsigned(state.osdConfigs().size());
    sink = sink + unsigned(state.deviceSn().size() + state.cameraIp().size());
    sink = sink + unsigned(state.sdFreeMB()) + unsigned(state.playbackPosition());
    (void)sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The state keeps timers (how long targets and reports stay current),
    // which need the application's thread.
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QByteArray input(reinterpret_cast<const char *>(data), int(size));

    GimbalState fresh;
    for (int op = 0; op < OperationCount; ++op)
        apply(fresh, op, input);
    readAll(fresh);

    // A long-lived state, as in the program, carries over between inputs.
    static GimbalState *persistent = new GimbalState;
    GimbalState scripted;
    int at = 0;
    while (at + 2 <= input.size()) {
        const int op = quint8(input.at(at));
        const int length = quint8(input.at(at + 1));
        const QByteArray step = input.mid(at + 2, length);
        apply(scripted, op, step);
        apply(*persistent, op, step);
        at += 2 + length;
    }
    readAll(scripted);
    readAll(*persistent);
    return 0;
}
