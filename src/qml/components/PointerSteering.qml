import QtQuick 2.15

// Steering with the pointer on the video: a right-button drag turns the
// gimbal towards where it is dragged, faster the further (full speed at a
// quarter of the picture's shorter side), and stops on release; Shift slows
// it. The wheel zooms in steps. Left-button gestures pass through to what
// lies below.
MouseArea {
    id: area
    objectName: "pointerSteering"
    acceptedButtons: Qt.RightButton
    enabled: Core.linkUp && !!Core.steer
    readonly property real reach: Math.max(40, Math.min(width, height) / 4)
    property real sx: 0
    property real sy: 0
    // Wheel turns not yet worth a step (fine-grained wheels and touchpads).
    property real wheelRest: 0

    function end() {
        if (Core.steer)
            Core.steer.pointerRelease()
    }
    onPressed: {
        sx = mouse.x
        sy = mouse.y
    }
    onPositionChanged: {
        if (pressed && Core.steer)
            Core.steer.pointerSteer(mouse.x - sx, mouse.y - sy, reach,
                                    (mouse.modifiers & Qt.ShiftModifier) !== 0)
    }
    onReleased: end()
    onCanceled: end()
    onEnabledChanged: if (!enabled) end()
    Component.onDestruction: end()
    onWheel: {
        wheelRest += wheel.angleDelta.y / 120
        var steps = wheelRest > 0 ? Math.floor(wheelRest) : Math.ceil(wheelRest)
        wheelRest -= steps
        if (steps !== 0 && Core.steer)
            Core.steer.zoomSteps(steps)
    }
}
