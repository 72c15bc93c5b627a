// The image tag dialog.
#include "tags/ui/tfimg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace velloran {

namespace {

// Position of "Image Files" in the shared open dialog's filter list.
constexpr int kImageFilesFilter = 3;

} // namespace

TfImg::TfImg(const TagDialogContext& context, QWidget* parent)
    : TagDialog(QStringLiteral("Image Tag"), "<IMG", "", parent), m_context(context) {
    eSRC = new QLineEdit(this);
    eSRC->setMinimumWidth(kTagFieldWidth);
    bbrowseSRC = new QPushButton(QStringLiteral("Browse"), this);
    bbrowseSRC->setAutoDefault(false);
    eALT = new QLineEdit(this);
    eBORDER = new QLineEdit(this);
    eWidth = new QLineEdit(this);
    eHeight = new QLineEdit(this);
    cbAlign = new QComboBox(this);
    cbAlign->setEditable(true);
    cbAlign->setInsertPolicy(QComboBox::NoInsert);
    cbAlign->addItems({QStringLiteral("TOP"), QStringLiteral("MIDDLE"), QStringLiteral("BOTTOM"),
                       QStringLiteral("LEFT"), QStringLiteral("RIGHT")});
    cbAlign->setCurrentIndex(-1);

    addRow(QStringLiteral("SRC:"), eSRC, bbrowseSRC);
    addRow(QStringLiteral("ALT:"), eALT);
    addRow(QStringLiteral("BORDER:"), eBORDER);
    addRow(QStringLiteral("WIDTH:"), eWidth);
    addRow(QStringLiteral("HEIGHT:"), eHeight);
    addRow(QStringLiteral("ALIGN:"), cbAlign);
    eTag = addFinalTag(QStringLiteral("Final Tag:"));

    bindAttribute(eSRC, "SRC=");
    bindAttribute(eALT, "ALT=");
    bindAttribute(eBORDER, "BORDER=");
    bindAttribute(eWidth, "WIDTH=");
    bindAttribute(eHeight, "HEIGHT=");
    bindAttribute(cbAlign->lineEdit(), "ALIGN=");
    connect(bbrowseSRC, &QPushButton::clicked, this, &TfImg::browse);
}

void TfImg::loadFields() {
    loadAttribute(eSRC, "SRC=");
    loadAttribute(eALT, "ALT=");
    loadAttribute(eBORDER, "BORDER=");
    loadAttribute(eWidth, "WIDTH=");
    loadAttribute(eHeight, "HEIGHT=");
    loadAttribute(cbAlign->lineEdit(), "ALIGN=");
}

std::string TfImg::newTag() const {
    return "<IMG SRC=\"" + FieldText(eSRC) + "\">";
}

void TfImg::browse() {
    if (const std::optional<QString> url = BrowseUrl(m_context, kImageFilesFilter))
        eSRC->setText(*url);
}

} // namespace velloran
