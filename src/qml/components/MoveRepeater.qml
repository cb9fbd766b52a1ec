import QtQuick 2.15
import "ControlRules.js" as Rules

// Sends a direction command while a pad button or key is held: once at
// once, then every `repeatMs`; on release a stop, then the stop again
// `stopRepeats` times `stopGapMs` apart, so a lost datagram cannot leave the
// gimbal turning.
Item {
    id: rep
    // Receives (mode, yawDir, pitchDir); by default the controller.
    property var target: Core.control
    property int repeatMs: 33
    property int stopGapMs: 40
    property int stopRepeats: 2
    readonly property bool moving: current !== null
    property var current: null
    property int stopsLeft: 0

    function send(cmd) {
        if (target)
            target.gimbalControl(cmd[0], cmd[1], cmd[2])
    }
    function begin(name) {
        var cmd = Rules.moves[name]
        if (!cmd)
            return
        stopTimer.stop()
        current = cmd
        send(cmd)
        repeatTimer.restart()
    }
    function end() {
        if (current === null)
            return
        current = null
        repeatTimer.stop()
        send(Rules.moves.stop)
        stopsLeft = stopRepeats
        if (stopsLeft > 0)
            stopTimer.restart()
    }
    // One-shot commands (centre, face down) go out once.
    function once(name) {
        var cmd = Rules.moves[name]
        if (cmd)
            send(cmd)
    }

    Timer {
        id: repeatTimer
        // Never faster than 20 ms, whatever is configured.
        interval: Math.max(20, rep.repeatMs)
        repeat: true
        onTriggered: if (rep.current !== null) rep.send(rep.current)
    }
    Timer {
        id: stopTimer
        interval: rep.stopGapMs
        repeat: true
        onTriggered: {
            rep.send(Rules.moves.stop)
            rep.stopsLeft -= 1
            if (rep.stopsLeft <= 0)
                stop()
        }
    }
}
