#include "ui/LampShape.h"

#include <QPainter>

LampShape::LampShape(QWidget* parent) : QWidget(parent) { setFixedSize(sizeHint()); }

void LampShape::setColor(QColor color)
{
    if (color == color_)
        return;
    color_ = color;
    update();
}

void LampShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    p.setBrush(color_);
    p.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}
