// The font tag dialog: size, colour, face names and the text the tag encloses.
#pragma once

#include "tags/ui/tfcolorpick.h"
#include "tags/ui/tfimg.h"

#include <string>

namespace velloran {

class TfFont : public TagDialog {
    Q_OBJECT

public:
    explicit TfFont(QWidget* parent = nullptr);

    QLineEdit* etag = nullptr;
    QLineEdit* esize = nullptr;
    QLineEdit* eColor = nullptr;
    QLineEdit* eFace = nullptr;
    QLineEdit* eText = nullptr;
    QComboBox* cbFontName = nullptr;
    ColorButton* ColorButton1 = nullptr;

protected:
    void loadFields() override;
    [[nodiscard]] std::string newTag() const override;

private:
    void addFontName(int index);
    void showCodeColor();

    QWidget* makeFontList();
};

} // namespace velloran
