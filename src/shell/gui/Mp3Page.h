#pragma once

#include "config/Settings.h"

#include <QWidget>

class QCheckBox;

namespace tb {

// The setup's "MP3" page: preloading and the four category folders, which
// need the preloaded information, so checking one checks preloading too.
class Mp3Page : public QWidget {
    Q_OBJECT

public:
    Mp3Page(const Settings& settings, QWidget* parent);
    void Store(Settings& settings) const;

private:
    void KeepPreloadNeeded();

    QCheckBox* preload_;
    QCheckBox* categories_[4];
};

} // namespace tb
