#include "input/GamepadControl.h"

namespace
{

struct Names {
    const char *name;
    const char *english;
    const char *chinese;
};

// The game-controller layer's names, in its own index order.
const Names buttons[GamepadControl::ButtonCount] = {
    {"a", "A", "A 键"},
    {"b", "B", "B 键"},
    {"x", "X", "X 键"},
    {"y", "Y", "Y 键"},
    {"back", "Back", "返回键"},
    {"guide", "Guide", "主页键"},
    {"start", "Start", "开始键"},
    {"leftstick", "Left stick press", "左摇杆按下"},
    {"rightstick", "Right stick press", "右摇杆按下"},
    {"leftshoulder", "Left shoulder (LB)", "左肩键 (LB)"},
    {"rightshoulder", "Right shoulder (RB)", "右肩键 (RB)"},
    {"dpup", "D-pad up", "十字键上"},
    {"dpdown", "D-pad down", "十字键下"},
    {"dpleft", "D-pad left", "十字键左"},
    {"dpright", "D-pad right", "十字键右"},
    {"misc1", "Extra button", "附加键"},
    {"paddle1", "Paddle 1", "背键 1"},
    {"paddle2", "Paddle 2", "背键 2"},
    {"paddle3", "Paddle 3", "背键 3"},
    {"paddle4", "Paddle 4", "背键 4"},
    {"touchpad", "Touchpad", "触摸板"},
};

const Names axes[GamepadControl::AxisCount] = {
    {"leftx", "Left stick X", "左摇杆 X"},
    {"lefty", "Left stick Y", "左摇杆 Y"},
    {"rightx", "Right stick X", "右摇杆 X"},
    {"righty", "Right stick Y", "右摇杆 Y"},
    {"lefttrigger", "Left trigger (LT)", "左扳机 (LT)"},
    {"righttrigger", "Right trigger (RT)", "右扳机 (RT)"},
};

// One direction of a stick axis: [axis][0] negative, [axis][1] positive.
const Names directions[4][2] = {
    {{"", "Left stick left", "左摇杆向左"}, {"", "Left stick right", "左摇杆向右"}},
    {{"", "Left stick up", "左摇杆向上"}, {"", "Left stick down", "左摇杆向下"}},
    {{"", "Right stick left", "右摇杆向左"}, {"", "Right stick right", "右摇杆向右"}},
    {{"", "Right stick up", "右摇杆向上"}, {"", "Right stick down", "右摇杆向下"}},
};

BilingualText bilingual(const Names &n)
{
    return {QString::fromUtf8(n.english), QString::fromUtf8(n.chinese)};
}

} // namespace

GamepadControl GamepadControl::button(int index)
{
    return index >= 0 && index < ButtonCount ? GamepadControl(Button, index, 0) : GamepadControl();
}

GamepadControl GamepadControl::axis(int index)
{
    return index >= 0 && index < AxisCount ? GamepadControl(Axis, index, 0) : GamepadControl();
}

GamepadControl GamepadControl::halfAxis(int index, int sign)
{
    // Triggers have one direction only: they are whole axes.
    if (index < 0 || index >= FirstTrigger || sign == 0)
        return GamepadControl();
    return GamepadControl(HalfAxis, index, sign > 0 ? 1 : -1);
}

QString GamepadControl::buttonName(int index)
{
    return index >= 0 && index < ButtonCount ? QString::fromLatin1(buttons[index].name) : QString();
}

QString GamepadControl::axisName(int index)
{
    return index >= 0 && index < AxisCount ? QString::fromLatin1(axes[index].name) : QString();
}

GamepadControl GamepadControl::parse(const QString &text)
{
    QString name = text.trimmed().toLower();
    int sign = 0;
    if (name.endsWith(QLatin1Char('+')) || name.endsWith(QLatin1Char('-'))) {
        sign = name.endsWith(QLatin1Char('+')) ? 1 : -1;
        name.chop(1);
    }
    for (int i = 0; i < AxisCount; ++i) {
        if (name == QLatin1String(axes[i].name))
            return sign == 0 ? axis(i) : halfAxis(i, sign);
    }
    if (sign != 0)
        return GamepadControl();
    for (int i = 0; i < ButtonCount; ++i) {
        if (name == QLatin1String(buttons[i].name))
            return button(i);
    }
    return GamepadControl();
}

QString GamepadControl::name() const
{
    switch (m_type) {
    case Button:
        return buttonName(m_index);
    case Axis:
        return axisName(m_index);
    case HalfAxis:
        return axisName(m_index) + QLatin1Char(m_sign > 0 ? '+' : '-');
    case None:
        break;
    }
    return QString();
}

BilingualText GamepadControl::label() const
{
    switch (m_type) {
    case Button:
        return bilingual(buttons[m_index]);
    case Axis:
        return bilingual(axes[m_index]);
    case HalfAxis:
        return bilingual(directions[m_index][m_sign > 0 ? 1 : 0]);
    case None:
        break;
    }
    return {};
}

bool GamepadControl::overlaps(const GamepadControl &other) const
{
    if (isNone() || other.isNone())
        return false;
    if (m_type == Button || other.m_type == Button)
        return m_type == other.m_type && m_index == other.m_index;
    if (m_index != other.m_index)
        return false;
    // Two directions of one axis are two controls; an axis covers both.
    return m_type == Axis || other.m_type == Axis || m_sign == other.m_sign;
}
