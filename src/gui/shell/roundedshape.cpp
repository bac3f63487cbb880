#include "gui/shell/roundedshape.h"

#include <QPainterPath>
#include <QRegion>
#include <QWidget>

void applyRoundedShape(QWidget *window)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, window->width(), window->height()), 20, 20);
    window->setMask(QRegion(path.toFillPolygon().toPolygon()));
}
