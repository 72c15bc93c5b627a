// The anchor tag dialog: link target, linked text (possibly an image) and target frame.
#pragma once

#include "tags/ui/tagdialogcontext.h"
#include "tags/ui/tfimg.h"

#include <QRadioButton>
#include <functional>
#include <string>

namespace velloran {

class TfAnchor : public TagDialog {
    Q_OBJECT

public:
    explicit TfAnchor(const TagDialogContext& context, QWidget* parent = nullptr);

    // Shows the image dialog of "<IMG>" modally; its result. Tests answer in its place.
    std::function<int(TfImg& dialog)> runImageDialog;

    QLineEdit* eTag = nullptr;
    QLineEdit* eURL = nullptr;
    QLineEdit* eText = nullptr;
    QPushButton* bbrowsehref = nullptr;
    QPushButton* bbImage = nullptr;
    QRadioButton* rbHREF = nullptr;
    QRadioButton* rbName = nullptr;
    QComboBox* cbTarget = nullptr;

protected:
    void loadFields() override;
    [[nodiscard]] std::string newTag() const override;

private:
    [[nodiscard]] QWidget* makeKindChoice();
    void browse();
    void insertImage();

    TagDialogContext m_context;
};

} // namespace velloran
