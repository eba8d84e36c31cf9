#pragma once

#include "config/Settings.h"

#include <QWidget>

class QComboBox;
class QLabel;

namespace tb {

// The setup's "WEB" page: the skin chooser. It lists "(Standard)" and the
// folders below skins/ of the program's folder, and shows the chosen
// skin's preview picture (the built-in one for "(Standard)") at its own
// size in a 260 x 220 area, or a "No Preview Available" text.
class SkinPage : public QWidget {
    Q_OBJECT

public:
    SkinPage(const Settings& settings, const String& dataDir, QWidget* parent);
    void Store(Settings& settings) const;

private:
    void ShowPreview(const QString& skin);

    QString skinsFolder_;
    QComboBox* skins_;
    QLabel* preview_;
};

} // namespace tb
