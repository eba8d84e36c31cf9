#pragma once

#include "netservices/CatalogService.h"
#include "shell/gui/EditorDialog.h"

#include <memory>

class QLineEdit;

namespace tb {

// The catalog service editor ("Edit catalog service data"): name,
// description and the other server's address and port. The name must be
// given and the address must read as "a.b.c.d:port".
class CatalogDialog : public EditorDialog {
    Q_OBJECT

public:
    CatalogDialog(const CatalogService& catalog, QWidget* parent);
    QWidget* FirstInvalidField() const override;
    // The service as edited; its short name stays.
    std::shared_ptr<CatalogService> Result() const;

private:
    const CatalogService& catalog_;
    QLineEdit* name_;
    QLineEdit* description_;
    QLineEdit* address_;
};

} // namespace tb
