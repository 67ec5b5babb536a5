#include "gui/ProgramPicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace orvida {

void paintProgramPicture(QPainter& painter, const QRect& area)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(area.topLeft(), area.bottomRight());
    sky.setColorAt(0.0, QColor(18, 44, 96));
    sky.setColorAt(1.0, QColor(6, 18, 48));
    painter.fillRect(area, sky);

    // A stack of forms with a ruled page on top: the declarations the program writes.
    const qreal unit = qMin(area.width(), area.height()) / 10.0;
    const QPointF origin(area.right() - 4.2 * unit, area.bottom() - 5.2 * unit);
    for (int i = 2; i >= 0; --i) {
        const QRectF page(origin + QPointF(i * 0.35 * unit, -i * 0.35 * unit), QSizeF(3.2 * unit, 4.2 * unit));
        painter.setPen(QPen(QColor(30, 60, 120), 1));
        painter.setBrush(i == 0 ? QColor(245, 245, 235) : QColor(200, 205, 215));
        painter.drawRect(page);
        if (i == 0) {
            painter.setPen(QPen(QColor(120, 140, 180), qMax<qreal>(1.0, unit / 20)));
            for (int line = 1; line <= 6; ++line) {
                const qreal y = page.top() + line * page.height() / 8;
                painter.drawLine(QPointF(page.left() + 0.3 * unit, y), QPointF(page.right() - 0.3 * unit, y));
            }
            // A green tick over the page.
            QPainterPath tick;
            tick.moveTo(page.left() + 0.6 * unit, page.center().y() + 0.3 * unit);
            tick.lineTo(page.left() + 1.3 * unit, page.bottom() - 0.6 * unit);
            tick.lineTo(page.right() - 0.2 * unit, page.top() + 0.7 * unit);
            painter.setPen(QPen(QColor(30, 150, 60), unit / 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(tick);
        }
    }

    // A thin yellow rule under the place where the title goes.
    painter.setPen(QPen(QColor(240, 200, 40), qMax<qreal>(1.0, unit / 12)));
    painter.drawLine(QPointF(area.left() + 0.6 * unit, area.top() + 2.2 * unit),
                     QPointF(area.right() - 0.6 * unit, area.top() + 2.2 * unit));
    painter.restore();
}

} // namespace orvida
