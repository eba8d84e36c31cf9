#include "shell/gui/FlatButton.h"

#include <QPainter>
#include <QPixmap>

namespace tb {

FlatButton::FlatButton(const QString& caption, const QPixmap& background, QWidget* parent)
    : QPushButton(caption, parent), background_(background) {
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void FlatButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    bool pushed = isDown() || isChecked();
    bool hot = underMouse() && isEnabled();
    QRect area = rect();
    QPoint shift = pushed ? QPoint(1, 1) : QPoint(0, 0);
    painter.drawPixmap(area, background_, QRect(geometry().topLeft() - shift, size()));

    painter.setRenderHint(QPainter::Antialiasing);
    QRectF frame = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor edge = pushed ? QColor("#1a1740") : hot ? QColor("#4b44c7") : QColor("#b9bbd0");
    QColor fill = pushed ? QColor(26, 23, 64, 40)
                  : hot  ? QColor(75, 68, 199, 24)
                         : QColor(255, 255, 255, 150);
    painter.setPen(QPen(edge, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, 3, 3);

    painter.setPen(isEnabled() ? Qt::black : Qt::gray);
    painter.drawText(area.translated(shift), Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(QColor("#4b44c7"), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(3, 3, -4, -4));
    }
}

} // namespace tb
