import QtQuick 2.15
import QtQuick.Window 2.15
import Skyrig.Theme 1.0
import "IconPaths.js" as Paths

// A line icon from IconPaths, drawn as SVG at the pixel size it is shown at,
// so it stays sharp at every scale and in both scene renderers.
Image {
    id: icon
    property string name
    property color color: Theme.textSecondary
    property real size: Theme.iconSize
    property real strokeWidth: 1.8

    width: size
    height: size
    fillMode: Image.PreserveAspectFit
    smooth: true
    sourceSize.width: Math.max(8, Math.ceil(size * Screen.devicePixelRatio))
    sourceSize.height: Math.max(8, Math.ceil(size * Screen.devicePixelRatio))
    Accessible.ignored: true
    source: {
        if (!name)
            return ""
        var hex = Qt.rgba(color.r, color.g, color.b, 1).toString()
        var markup = Paths.svg(name, hex, color.a.toFixed(3), strokeWidth)
        return markup ? "data:image/svg+xml;base64," + Qt.btoa(markup) : ""
    }
}
