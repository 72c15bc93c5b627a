// The anchor tag dialog.
#include "tags/ui/tfanchor.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velloran {

TfAnchor::TfAnchor(const TagDialogContext& context, QWidget* parent)
    : TagDialog(QStringLiteral("Anchor Tag"), "<A", "</A>", parent),
      runImageDialog([](TfImg& dialog) { return dialog.exec(); }), m_context(context) {
    eURL = new QLineEdit(this);
    eURL->setMinimumWidth(320);
    bbrowsehref = new QPushButton(QStringLiteral("Browse"), this);
    bbrowsehref->setAutoDefault(false);
    eText = new QLineEdit(this);
    bbImage = new QPushButton(QStringLiteral("<IMG>"), this);
    bbImage->setAutoDefault(false);
    cbTarget = new QComboBox(this);
    cbTarget->setEditable(true);
    cbTarget->setInsertPolicy(QComboBox::NoInsert);
    cbTarget->addItems({QStringLiteral("_blank"), QStringLiteral("_parent"),
                        QStringLiteral("_self"), QStringLiteral("_top")});
    cbTarget->setCurrentIndex(-1);

    addRow(makeKindChoice(), eURL, bbrowsehref);
    addRow(QStringLiteral("Linked Text:"), eText, bbImage);
    addRow(QStringLiteral("Target Window / Frame:"), cbTarget);
    eTag = addFinalTag(QStringLiteral("Final Tag:"));

    bindAttribute(eURL, "HREF=");
    bindAttribute(cbTarget->lineEdit(), "TARGET=");
    bindContent(eText);
    connect(bbrowsehref, &QPushButton::clicked, this, &TfAnchor::browse);
    connect(bbImage, &QPushButton::clicked, this, &TfAnchor::insertImage);
}

// Only links are written; NAME is shown for what it would be and stays unavailable.
QWidget* TfAnchor::makeKindChoice() {
    auto* choice = new QWidget(this);
    rbHREF = new QRadioButton(QStringLiteral("HREF"), choice);
    rbHREF->setChecked(true);
    rbName = new QRadioButton(QStringLiteral("NAME"), choice);
    rbName->setEnabled(false);
    auto* layout = new QHBoxLayout(choice);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(rbHREF);
    layout->addWidget(rbName);
    return choice;
}

void TfAnchor::loadFields() {
    loadAttribute(eURL, "HREF=");
    loadAttribute(cbTarget->lineEdit(), "TARGET=");
    loadContent(eText);
}

std::string TfAnchor::newTag() const {
    return "<A HREF=\"" + FieldText(eURL) + "\">" + FieldText(eText) + "</A>";
}

void TfAnchor::browse() {
    if (const std::optional<QString> url = BrowseUrl(m_context, std::nullopt))
        eURL->setText(*url);
}

// Linked text that already is an image tag is edited as one; other text is taken for the
// image's address.
void TfAnchor::insertImage() {
    TfImg image(m_context, this);
    const QString text = eText->text();
    if (!text.isEmpty()) {
        if (text.toUpper().startsWith(QStringLiteral("<IMG")))
            image.eTag->setText(text);
        else
            image.eSRC->setText(text);
    }
    image.Load();
    if (runImageDialog && runImageDialog(image) == QDialog::Accepted)
        eText->setText(image.eTag->text());
}

} // namespace velloran
