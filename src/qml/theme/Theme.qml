pragma Singleton
import QtQuick 2.15

// Colours, type sizes, spacing and motion of the whole interface. Every size
// is given at the design size and multiplied by `scale`, which the window
// derives from the desktop it is shown on, so the layout keeps its
// proportions from a 1280x720 panel to a 2560x1440 monitor.
QtObject {
    id: theme

    // Design size of the main page: rail, control panel and a 1200-wide 16:9
    // picture, plus the chrome above and below it.
    readonly property int designRail: 88
    readonly property int designPanel: 430
    readonly property int designPanelMin: 320
    readonly property int designPanelMax: 460
    readonly property int designVideo: 1200
    readonly property int designChrome: 168
    readonly property int designTitleBar: 40

    property real scale: 1.0

    function s(px) { return Math.round(px * scale) }
    // Type never drops below what stays readable on a small panel.
    function font(px) { return Math.max(11, Math.round(px * scale)) }

    // Surfaces, darkest first.
    readonly property color window: "#0a111d"
    readonly property color surface: "#0f1826"
    readonly property color surfaceRaised: "#142033"
    readonly property color surfaceHigh: "#1a2840"
    readonly property color input: "#0c1522"
    readonly property color videoBackground: "#0e1625"
    readonly property color border: "#22324a"
    readonly property color borderStrong: "#30445f"
    readonly property color divider: "#1b2a3f"

    // Text.
    readonly property color text: "#e8eef7"
    readonly property color textSecondary: "#a7b4c7"
    readonly property color textTertiary: "#6c7c93"
    readonly property color textDisabled: "#4a596e"
    readonly property color textOnAccent: "#04101d"

    // Accent and status.
    readonly property color accent: "#3aa8ff"
    readonly property color accentHover: "#62baff"
    readonly property color accentPressed: "#2489dc"
    readonly property color accentSoft: Qt.rgba(0.23, 0.66, 1.0, 0.14)
    readonly property color accentLine: Qt.rgba(0.23, 0.66, 1.0, 0.45)
    readonly property color success: "#35d49a"
    readonly property color successSoft: Qt.rgba(0.21, 0.83, 0.60, 0.14)
    readonly property color warning: "#f4b64a"
    readonly property color warningSoft: Qt.rgba(0.96, 0.71, 0.29, 0.14)
    readonly property color danger: "#ff5d6e"
    readonly property color dangerSoft: Qt.rgba(1.0, 0.36, 0.43, 0.14)
    readonly property color recording: "#ff4258"
    readonly property color overlay: Qt.rgba(0.02, 0.05, 0.09, 0.72)
    readonly property color scrim: Qt.rgba(0.01, 0.03, 0.06, 0.78)

    // Log line classes.
    readonly property color logError: "#ff7b88"
    readonly property color logSuccess: "#5fe0ad"
    readonly property color logSecondary: "#8fc3ff"
    readonly property color logTertiary: "#b3bfcf"

    // Type scale (design pixels).
    readonly property int fontCaption: font(11)
    readonly property int fontSmall: font(12)
    readonly property int fontBody: font(13)
    readonly property int fontLabel: font(14)
    readonly property int fontTitle: font(16)
    readonly property int fontHeading: font(20)
    readonly property int fontDisplay: font(26)
    readonly property int fontNumber: font(22)

    readonly property string monoFamily: "DejaVu Sans Mono"

    // Spacing and shape.
    readonly property int gapXs: s(4)
    readonly property int gapS: s(8)
    readonly property int gapM: s(12)
    readonly property int gapL: s(16)
    readonly property int gapXl: s(24)
    readonly property int radiusS: s(6)
    readonly property int radiusM: s(8)
    readonly property int radiusL: s(12)
    readonly property int controlHeight: Math.max(26, s(34))
    readonly property int iconSize: Math.max(14, s(18))

    // Motion: quick enough never to hold the operator up.
    readonly property int fast: 120
    readonly property int normal: 180
    readonly property int slow: 260
}
