#include "ui/Logo.h"

#include <QFont>
#include <QPainter>

QPixmap LogoPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1F, 0x3A, 0x68));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.16, s * 0.16);
    // A crosspoint grid: three inputs routed to three outputs.
    p.setPen(QPen(QColor(0x7F, 0xB2, 0xE5), s * 0.035));
    for (int i = 0; i < 3; ++i) {
        const qreal y = s * (0.58 + 0.12 * i);
        p.drawLine(QPointF(s * 0.12, y), QPointF(s * 0.88, y));
    }
    p.setBrush(QColor(0x00, 0xFF, 0x00));
    p.setPen(Qt::NoPen);
    const qreal dot = s * 0.07;
    p.drawEllipse(QPointF(s * 0.30, s * 0.58), dot, dot);
    p.drawEllipse(QPointF(s * 0.50, s * 0.82), dot, dot);
    p.drawEllipse(QPointF(s * 0.70, s * 0.70), dot, dot);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(static_cast<int>(s * 0.34));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, s * 0.06, s, s * 0.42), Qt::AlignCenter, QStringLiteral("HVN"));
    return pixmap;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64})
        icon.addPixmap(LogoPixmap(size));
    return icon;
}
