#pragma once

#include "input/AxisResponse.h"
#include "input/BindingTable.h"
#include "input/SpeedRule.h"

#include <QString>

// Everything the operator sets up for the controls of one product: the
// bindings, the stick response per axis and the speeds. Kept in the settings
// store under "Input/<product id>/" ("default" when none is selected); what
// is missing or unreadable there takes its default.
struct InputProfile {
    BindingTable bindings = BindingTable::defaults();
    AxisResponse yaw;
    AxisResponse pitch;
    SpeedRule speed;

    static InputProfile load(const QString &modelId);
    void save(const QString &modelId) const;
    static QString groupFor(const QString &modelId);

    bool operator==(const InputProfile &o) const;
    bool operator!=(const InputProfile &o) const { return !(*this == o); }
};
