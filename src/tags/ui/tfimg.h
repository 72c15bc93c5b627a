// The image tag dialog: SRC with Browse, ALT, BORDER, WIDTH, HEIGHT and ALIGN.
#pragma once

#include "tags/ui/tagdialog.h"

namespace velloran {

class TfImg : public TagDialog {
    Q_OBJECT

public:
    explicit TfImg(const TagDialogContext& context, QWidget* parent = nullptr);

    QLineEdit* eTag = nullptr;
    QLineEdit* eSRC = nullptr;
    QLineEdit* eALT = nullptr;
    QLineEdit* eBORDER = nullptr;
    QLineEdit* eWidth = nullptr;
    QLineEdit* eHeight = nullptr;
    QComboBox* cbAlign = nullptr;
    QPushButton* bbrowseSRC = nullptr;

protected:
    void loadFields() override;
    [[nodiscard]] std::string newTag() const override;

private:
    void browse();

    TagDialogContext m_context;
};

} // namespace velloran
