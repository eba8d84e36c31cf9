#pragma once

#include <QPushButton>

class QPixmap;

namespace tb {

// A button drawn over the window's background picture: the part of the
// picture behind it (shifted by a pixel while pushed), a flat frame for the
// normal, hot and pushed states, the caption centred in black, and a focus
// rectangle inside when it has the focus. The picture must outlive it.
class FlatButton : public QPushButton {
    Q_OBJECT

public:
    FlatButton(const QString& caption, const QPixmap& background, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QPixmap& background_;
};

} // namespace tb
