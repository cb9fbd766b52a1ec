#pragma once

#include <QColor>
#include <QRectF>

// How a picture is placed in the view that shows it: fitted with its aspect
// kept and centred, with the background colour filling the bars around it and
// the whole view while there is no picture. The frame item maps clicks with
// the same rectangle both renderers draw into, so a point on screen and the
// pixel under it always agree.
class Letterbox
{
public:
    // Background shown around and instead of the picture.
    static constexpr float BackgroundRed = 0.055f;
    static constexpr float BackgroundGreen = 0.086f;
    static constexpr float BackgroundBlue = 0.145f;

    static QColor background()
    {
        return QColor::fromRgbF(BackgroundRed, BackgroundGreen, BackgroundBlue);
    }

    // Where a picture of pictureWidth x pictureHeight is drawn inside a view
    // of viewWidth x viewHeight, in the view's own units, with the view's
    // origin at (0, 0). Empty when either has no area.
    static QRectF fit(int pictureWidth, int pictureHeight, qreal viewWidth, qreal viewHeight);
};
