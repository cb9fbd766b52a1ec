#pragma once

// The gimbal speed (the protocol's 5…150 per axis) an input asks for. A
// stick's deflection runs from the slowest speed just past its dead zone to
// the top speed at full deflection; keys, the pad and the d-pad use one fixed
// speed. With zoom scaling on, the speed is divided by the zoom factor so the
// picture moves at the same pace at any zoom; fine aim slows everything.
struct SpeedRule {
    static constexpr int MinSpeed = 5;
    static constexpr int MaxSpeed = 150;

    int topSpeed = 90;
    int keySpeed = 30;
    double fineFactor = 0.25;
    bool zoomScaling = true;

    // Deflection 0…1 of a stick (magnitude); 0 gives 0.
    double rateFor(double deflection) const;
    // The speed to send for a rate, at a zoom factor (below 1 counts as 1).
    int speedFor(double rate, double zoom, bool fine) const;
};
