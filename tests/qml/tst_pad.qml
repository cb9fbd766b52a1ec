import QtQuick 2.15
import QtTest 1.15
import Skyrig.UI 1.0

// Pad and keyboard timing against a recording controller.
TestCase {
    id: tc
    name: "PadAndKeys"
    when: windowShown

    QtObject {
        id: ctl
        property var sent: []
        function gimbalControl(mode, yawDir, pitchDir) {
            var s = sent.slice()
            s.push({ cmd: [mode, yawDir, pitchDir], at: Date.now() })
            sent = s
        }
    }
    QtObject {
        id: keySource
        signal pressed(int key, bool autoRepeat)
        signal released(int key, bool autoRepeat)
    }
    MoveRepeater { id: mover; target: ctl }
    GimbalKeys { id: keys; source: keySource; repeater: mover; linkReady: true; active: true }
    QtObject {
        id: editor
        property bool readOnly: false
        property int cursorPosition: 0
    }

    function init() {
        ctl.sent = []
        keys.linkReady = true
        keys.focusItem = null
        keys.heldKey = -1
    }
    function cleanup() {
        mover.end()
        tryVerify(function () { return !mover.moving && mover.stopsLeft <= 0 }, 1000)
    }
    function commands(cmd) {
        return ctl.sent.filter(function (s) { return s.cmd.join() === cmd.join() })
    }

    function test_holdThenStopThreeTimes() {
        mover.begin("up")
        compare(ctl.sent.length, 1, "sent at once on press")
        compare(ctl.sent[0].cmd, [0, 2, 0])
        tryVerify(function () { return commands([0, 2, 0]).length >= 4 }, 1000, "repeats while held")
        mover.end()
        // A busy machine may deliver a late tick together with the next one,
        // so the pace is checked over the whole hold, not tick by tick: never
        // more than one repeat per 33 ms (a coarse timer fires up to 5 % early).
        var moves = commands([0, 2, 0])
        verify(moves.length <= 2 + (moves[moves.length - 1].at - moves[0].at) / 30, "no faster than the repeat pace")
        tryCompare(mover, "stopsLeft", 0, 1000)
        var stops = commands([0, 2, 2])
        compare(stops.length, 3, "stop three times")
        verify(stops[2].at - stops[0].at >= 75, "the stops span two 40 ms gaps")
        compare(commands([0, 2, 0]).length, moves.length, "no move after the release")
    }

    function test_onceCommands() {
        mover.once("centre")
        mover.once("faceDown")
        compare(ctl.sent.map(function (s) { return s.cmd }), [[1, 2, 2], [2, 2, 2]])
        verify(!mover.moving)
    }

    function test_keys_data() {
        return [
            { tag: "arrow moves and stops", press: Qt.Key_Left, repeat: false, link: true, edit: false, release: Qt.Key_Left,
              first: [0, 0, 2], stops: true },
            { tag: "auto repeat ignored", press: Qt.Key_Up, repeat: true, link: true, edit: false, release: Qt.Key_Up,
              first: null, stops: false },
            { tag: "link down ignored", press: Qt.Key_W, repeat: false, link: false, edit: false, release: Qt.Key_W,
              first: null, stops: false },
            { tag: "typing ignored", press: Qt.Key_D, repeat: false, link: true, edit: true, release: Qt.Key_D,
              first: null, stops: false },
            { tag: "other key does not stop", press: Qt.Key_S, repeat: false, link: true, edit: false, release: Qt.Key_A,
              first: [0, 2, 1], stops: false },
            { tag: "centre once", press: Qt.Key_Home, repeat: false, link: true, edit: false, release: Qt.Key_Home,
              first: [1, 2, 2], stops: false }
        ]
    }
    function test_keys(data) {
        keys.linkReady = data.link
        editor.readOnly = data.edit === "read-only"
        keys.focusItem = data.edit ? editor : null
        keySource.pressed(data.press, data.repeat)
        if (data.first === null) {
            compare(ctl.sent.length, 0)
        } else {
            compare(ctl.sent[0].cmd, data.first)
        }
        keySource.released(data.release, false)
        if (data.stops)
            tryCompare(mover, "stopsLeft", 0, 1000)
        compare(commands([0, 2, 2]).length, data.stops ? 3 : 0)
    }

    function test_repeatedReleaseIgnored() {
        keySource.pressed(Qt.Key_Right, false)
        keySource.released(Qt.Key_Right, true)
        verify(mover.moving, "an auto-repeat release does not stop the move")
        keySource.released(Qt.Key_Right, false)
        verify(!mover.moving)
    }

    function test_linkLossStops() {
        keySource.pressed(Qt.Key_Up, false)
        verify(mover.moving)
        keys.linkReady = false
        verify(!mover.moving)
        compare(commands([0, 2, 2]).length >= 1, true, "stop sent when the link goes")
    }
}
