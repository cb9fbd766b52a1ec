import QtQuick 2.15

// The pad's way to the steering object, which sends the direction command
// while a button is held (once at once, then every 33 ms) and the stop
// three times on release, and settles it with the keys and controllers.
QtObject {
    id: rep
    // Receives padPress(move), padRelease() and padOnce(move); by default
    // the program's steering.
    property var target: Core.steer
    readonly property bool moving: !!target && !!target.moving

    function begin(name) {
        if (target)
            target.padPress(name)
    }
    function end() {
        if (target)
            target.padRelease()
    }
    // One-shot commands (centre, face down, stop) go out once.
    function once(name) {
        if (target)
            target.padOnce(name)
    }
}
