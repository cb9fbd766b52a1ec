#pragma once

// How a stick axis's position becomes a deflection: a dead zone around the
// centre (what lies beyond it is stretched back to the full range, so full
// deflection is still full speed), a response curve that blends the straight
// line with a cubic (0 linear … 1 strongly exponential: fine control near
// the centre, full speed at the end) and an invert switch.
struct AxisResponse {
    static constexpr double MaxDeadZone = 0.5;

    double deadZone = 0.10;
    double curve = 0.30;
    bool invert = false;

    // `raw` −1…1 in, deflection −1…1 out (0 inside the dead zone).
    double apply(double raw) const;
};
