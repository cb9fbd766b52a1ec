#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QRegion>
#include <QSize>
#include <QWindow>

// Gives a window without a system frame what the frame would provide:
// resize borders, moving by the custom title bar, rounded corners and a flag
// while a border is dragged. On Windows it answers the window manager's hit
// tests itself; elsewhere the scene asks it where a border is (edgesAt) and
// hands moves and resizes to the toolkit's own system move and resize.
//
// The rules (band width, hit test, mask) are plain functions so they can be
// checked without a window manager.
class FramelessHelper : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
    Q_PROPERTY(QWindow *window READ window WRITE setWindow NOTIFY windowChanged)
    Q_PROPERTY(int borderWidth READ borderWidth WRITE setBorderWidth NOTIFY borderWidthChanged)
    Q_PROPERTY(int cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY cornerRadiusChanged)
    Q_PROPERTY(bool resizing READ resizing NOTIFY resizingChanged)
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled NOTIFY enabledChanged)
public:
    // Hit-test results, with the window manager's numbering.
    enum Hit {
        HitNone = 0,
        HitCaption = 2,
        HitLeft = 10,
        HitRight = 11,
        HitTop = 12,
        HitTopLeft = 13,
        HitTopRight = 14,
        HitBottom = 15,
        HitBottomLeft = 16,
        HitBottomRight = 17
    };
    Q_ENUM(Hit)

    explicit FramelessHelper(QObject *parent = nullptr);
    ~FramelessHelper() override;

    QWindow *window() const { return m_window; }
    void setWindow(QWindow *window);
    int borderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);
    int cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(int radius);
    bool resizing() const { return m_resizing; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // Width of the resize band in device pixels: the logical width at the
    // screen's pixel ratio, never below 4.
    static int bandWidth(int borderWidth, qreal devicePixelRatio);
    // Which border a point lies on; lx, ly relative to the window's top left,
    // all in device pixels. HitNone inside the client area.
    static Hit hitTest(int lx, int ly, int width, int height, int band);
    static Qt::Edges edgesFor(Hit hit);
    // Whether the rounded mask must be cleared rather than set.
    static bool maskCleared(bool enabled, bool maximised, int cornerRadius);
    // The rounded mask of a w x h window; false when the window is too small
    // to change the mask (it then keeps the previous one).
    static bool roundedMask(const QSize &size, int cornerRadius, QRegion *mask);

    // The border under a point of the window (logical pixels), as Qt::Edges;
    // 0 outside the band, while disabled or maximised.
    Q_INVOKABLE int edgesAt(qreal x, qreal y) const;
    Q_INVOKABLE void startSystemMove();
    // Starts a border drag by the window manager (non-Windows platforms).
    Q_INVOKABLE bool startSystemResize(int edges);
    Q_INVOKABLE void updateRoundedMask();

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

signals:
    void windowChanged();
    void borderWidthChanged();
    void cornerRadiusChanged();
    void resizingChanged();
    void enabledChanged();

public slots:
    void onWindowCreated();
    void onScreenChanged();
    void onGeometryOrVisibilityChanged();

private:
    void refreshHandle();
    void applyCornerPreference();
    bool windowMaximised() const;
    void setResizing(bool resizing);

    QPointer<QWindow> m_window;
    int m_borderWidth = 6;
    int m_cornerRadius = 12;
    bool m_resizing = false;
    bool m_enabled = true;
    quintptr m_handle = 0;
    qreal m_devicePixelRatio = 1.0;
};
