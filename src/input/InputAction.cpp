#include "input/InputAction.h"

namespace
{

struct ActionInfo {
    const char *name;
    InputAction::Kind kind;
    const char *english;
    const char *chinese;
};

// In the order of InputAction::Id.
const ActionInfo actions[InputAction::Count] = {
    {"yaw", InputAction::Axis, "Yaw (stick)", "航向（摇杆）"},
    {"pitch", InputAction::Axis, "Pitch (stick)", "俯仰（摇杆）"},
    {"pitchUp", InputAction::Held, "Pitch up", "俯仰向上"},
    {"pitchDown", InputAction::Held, "Pitch down", "俯仰向下"},
    {"yawLeft", InputAction::Held, "Yaw left", "航向向左"},
    {"yawRight", InputAction::Held, "Yaw right", "航向向右"},
    {"fine", InputAction::Held, "Fine aim (slow)", "精细瞄准（慢速）"},
    {"centre", InputAction::Press, "Centre", "回中"},
    {"lookDown", InputAction::Press, "Look down", "俯视 90°"},
    {"zoomIn", InputAction::Held, "Zoom in (hold)", "放大（按住）"},
    {"zoomOut", InputAction::Held, "Zoom out (hold)", "缩小（按住）"},
    {"zoomStepIn", InputAction::Press, "Zoom in one step", "放大一档"},
    {"zoomStepOut", InputAction::Press, "Zoom out one step", "缩小一档"},
    {"zoomWide", InputAction::Press, "Zoom back to widest", "变倍复位"},
    {"photo", InputAction::Press, "Take photo", "拍照"},
    {"record", InputAction::Press, "Start/stop recording", "开始/停止录像"},
    {"videoStats", InputAction::Press, "Video statistics (show/hide)", "视频统计（显示/隐藏）"},
};

} // namespace

InputAction::Kind InputAction::kind(Id id)
{
    return actions[id].kind;
}

QString InputAction::name(Id id)
{
    return QString::fromLatin1(actions[id].name);
}

int InputAction::fromName(const QString &name)
{
    for (int i = 0; i < Count; ++i) {
        if (name == QLatin1String(actions[i].name))
            return i;
    }
    return -1;
}

BilingualText InputAction::label(Id id)
{
    return {QString::fromUtf8(actions[id].english), QString::fromUtf8(actions[id].chinese)};
}
