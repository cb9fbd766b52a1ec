import QtQuick 2.15
import "ControlRules.js" as Rules

// Fires after `needed` taps within `windowMs` (hidden switches).
QtObject {
    property int needed: 3
    property int windowMs: 700
    property var times: []
    signal fired()
    function tap() {
        var r = Rules.tap(times, Date.now(), windowMs, needed)
        times = r.times
        if (r.fired)
            fired()
    }
}
