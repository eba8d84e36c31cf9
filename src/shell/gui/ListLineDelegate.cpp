#include "shell/gui/ListLineDelegate.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

namespace tb {

void ListLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyleOptionViewItem line(option);
    initStyleOption(&line, index);
    QString side = index.data(Qt::UserRole).toString();
    QRect area = option.rect.adjusted(6, 0, -6, 0);
    QFontMetrics metrics(option.font);
    int sideWidth = 0;
    if (!side.isEmpty()) {
        sideWidth = std::min(metrics.horizontalAdvance(side) + 10, area.width() / 2);
        side = metrics.elidedText(side, Qt::ElideRight, sideWidth - 8);
    }
    line.text = metrics.elidedText(line.text, Qt::ElideRight, area.width() - sideWidth);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &line, painter, widget);
    if (side.isEmpty())
        return;
    painter->save();
    painter->setFont(option.font);
    bool selected = option.state & QStyle::State_Selected;
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText) : QColor("#6c6f8a"));
    painter->drawText(area, Qt::AlignRight | Qt::AlignVCenter, side);
    painter->restore();
}

} // namespace tb
