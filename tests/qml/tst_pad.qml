import QtQuick 2.15
import QtTest 1.15
import Skyrig.UI 1.0

// The pad hands its presses to the steering object (which repeats, stops and
// settles them with keys and controllers; its own tests time that).
TestCase {
    id: tc
    name: "Pad"
    when: windowShown
    width: 200
    height: 100
    visible: true

    QtObject {
        id: steer
        property var calls: []
        property bool moving: false
        function padPress(move) { calls = calls.concat(["press " + move]) }
        function padRelease() { calls = calls.concat(["release"]) }
        function padOnce(move) { calls = calls.concat(["once " + move]) }
    }
    MoveRepeater { id: mover; target: steer }
    PadButton { id: up; move: "up"; mover: mover; width: 50; height: 50 }
    PadButton { id: stopButton; move: "stop"; hold: false; mover: mover; x: 60; width: 50; height: 50 }

    function init() {
        steer.calls = []
    }

    function test_heldWhilePressed() {
        mousePress(up)
        compare(steer.calls, ["press up"])
        mouseRelease(up)
        compare(steer.calls, ["press up", "release"])
    }

    function test_onceButton() {
        mouseClick(stopButton)
        compare(steer.calls, ["once stop"])
    }

    function test_movingFollowsTheSteering() {
        verify(!mover.moving)
        steer.moving = true
        verify(mover.moving)
        steer.moving = false
    }
}
