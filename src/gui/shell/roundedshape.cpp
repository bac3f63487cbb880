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

namespace {
qreal dpi(const QWidget *window, bool horizontal)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return 96.0;
    return horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
}
} // namespace

int twipsToPixelsX(const QWidget *window, int twips)
{
    return qRound(twips * dpi(window, true) / 1440.0);
}

int twipsToPixelsY(const QWidget *window, int twips)
{
    return qRound(twips * dpi(window, false) / 1440.0);
}
