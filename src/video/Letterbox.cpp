#include "video/Letterbox.h"

#include <QSizeF>

QRectF Letterbox::fit(int pictureWidth, int pictureHeight, qreal viewWidth, qreal viewHeight)
{
    if (pictureWidth < 1 || pictureHeight < 1 || viewWidth <= 0 || viewHeight <= 0)
        return QRectF();
    const QSizeF fitted = QSizeF(pictureWidth, pictureHeight)
                              .scaled(QSizeF(viewWidth, viewHeight), Qt::KeepAspectRatio);
    return QRectF((viewWidth - fitted.width()) / 2, (viewHeight - fitted.height()) / 2,
                  fitted.width(), fitted.height());
}
