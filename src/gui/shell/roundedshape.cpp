#include "gui/shell/roundedshape.h"

#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QWidget>

void applyRoundedShape(QWidget *window)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, window->width(), window->height()), 20, 20);
    window->setMask(QRegion(path.toFillPolygon().toPolygon()));
}

int twipsToPixelsY(const QWidget *window, int twips)
{
    const QScreen *screen = window->screen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return qRound(twips * dpi / 1440.0);
}
