// The "Form Tag" dialog: builds or edits a FORM element from its action, method and content.
#pragma once

#include "tags/ui/tagdialog.h"

namespace velloran {

class TfFormTag : public TagDialog {
    Q_OBJECT

public:
    explicit TfFormTag(QWidget* parent = nullptr);

    QLineEdit* eTag = nullptr;
    QLineEdit* eAction = nullptr;
    QComboBox* cbMethod = nullptr;
    QLineEdit* eText = nullptr;

protected:
    void loadFields() override;
    [[nodiscard]] std::string newTag() const override;
};

} // namespace velloran
