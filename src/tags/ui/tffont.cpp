// The font tag dialog.
#include "tags/ui/tffont.h"

#include "tags/ghtmlfun.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>

namespace velloran {

TfFont::TfFont(QWidget* parent)
    : TagDialog(QStringLiteral("Font Tags"), "<FONT", "</FONT>", parent) {
    esize = new QLineEdit(this);
    eColor = new QLineEdit(this);
    ColorButton1 = new ColorButton(this);
    eFace = new QLineEdit(this);
    eFace->setMinimumWidth(200);
    eText = new QLineEdit(this);

    addRow(QStringLiteral("Size:"), esize);
    addRow(QStringLiteral("Color:"), eColor, ColorButton1);
    addRow(QStringLiteral("Face:"), eFace, makeFontList());
    addRow(QStringLiteral("Text:"), eText);
    etag = addFinalTag(QStringLiteral("Final Tag"));

    bindAttribute(esize, "SIZE=");
    bindAttribute(eColor, "COLOR=", [this] { showCodeColor(); });
    bindAttribute(eFace, "FACE=");
    bindContent(eText);
    connect(cbFontName, &QComboBox::activated, this, &TfFont::addFontName);
    connect(ColorButton1, &ColorButton::aboutToPick, this, &TfFont::showCodeColor);
    connect(ColorButton1, &ColorButton::colorPicked, this, [this](const QColor& color) {
        eColor->setText(QString::fromStdString(ColorToHex(CodeFromColor(color))));
    });
}

QWidget* TfFont::makeFontList() {
    cbFontName = new QComboBox(this);
    cbFontName->setEditable(true);
    cbFontName->setInsertPolicy(QComboBox::NoInsert);
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    cbFontName->addItems(families);
    cbFontName->setCurrentIndex(-1);
    cbFontName->setMinimumContentsLength(16);
    cbFontName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return cbFontName;
}

void TfFont::loadFields() {
    loadAttribute(esize, "SIZE=");
    loadAttribute(eColor, "COLOR=");
    showCodeColor();
    loadAttribute(eFace, "FACE=");
    loadContent(eText);
}

std::string TfFont::newTag() const {
    return "<FONT >" + FieldText(eText) + "</FONT>";
}

// A face already named (as a case-sensitive part of the list) is not named twice.
void TfFont::addFontName(int index) {
    if (index < 0)
        return;
    const QString name = cbFontName->itemText(index);
    const QString faces = eFace->text();
    if (faces.contains(name))
        return;
    eFace->setText(faces.isEmpty() ? name : faces + QLatin1Char(',') + name);
}

void TfFont::showCodeColor() {
    ColorButton1->setColor(ColorFromCode(HexToColor(FieldText(eColor))));
}

} // namespace velloran
