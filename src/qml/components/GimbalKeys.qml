import QtQuick 2.15
import "ControlRules.js" as Rules

// Keyboard steering through the application key filter: arrows or W/S/A/D
// move while held, C and Home centre. Auto-repeats are ignored; nothing is
// sent while a text field is being edited or while the link is down.
Item {
    id: keys
    property var source: Core.keys
    property bool linkReady: Core.linkUp
    property bool active: true
    property MoveRepeater repeater
    // The item that has the keyboard focus (the window's), to leave typing alone.
    property var focusItem: null
    property int heldKey: -1

    function editing(item) {
        if (!item)
            return false
        if (item.readOnly !== undefined && item.cursorPosition !== undefined)
            return !item.readOnly
        if (item.editable !== undefined)
            return !!item.editable
        return false
    }

    onLinkReadyChanged: {
        if (!linkReady && heldKey !== -1) {
            heldKey = -1
            repeater.end()
        }
    }
    onActiveChanged: {
        if (!active && heldKey !== -1) {
            heldKey = -1
            repeater.end()
        }
    }

    Connections {
        target: keys.source
        ignoreUnknownSignals: true
        function onPressed(key, autoRepeat) {
            if (autoRepeat || !keys.active || !keys.linkReady || keys.editing(keys.focusItem))
                return
            var move = Rules.keyMove(key)
            if (move === "")
                return
            if (move === "centre") {
                keys.repeater.once("centre")
                return
            }
            keys.heldKey = key
            keys.repeater.begin(move)
        }
        function onReleased(key, autoRepeat) {
            if (autoRepeat || key !== keys.heldKey)
                return
            keys.heldKey = -1
            keys.repeater.end()
        }
    }
}
