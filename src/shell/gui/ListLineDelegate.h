#pragma once

#include <QStyledItemDelegate>

namespace tb {

// Draws a list line as its text on the left and a second, quieter text
// (the item's Qt::UserRole data: an activity, a kind) on the right.
class ListLineDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace tb
