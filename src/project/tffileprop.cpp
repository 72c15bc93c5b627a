// Building the file properties dialog; a new path renames the entry after its file.
#include "project/tffileprop.h"

#include "platform/paths.h"
#include "platform/qt/dialogbuttons.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velloran {

namespace {

constexpr int kMaxFieldLength = 254;

QLineEdit* Field(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setMaxLength(kMaxFieldLength);
    field->setMinimumWidth(320);
    return field;
}

} // namespace

TfFileProp::TfFileProp(Prompter& prompter, const FileRequest& openDialog, QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_openDialog(openDialog) {
    setWindowTitle(QStringLiteral("File Properties"));
    setModal(true);
    enodename = Field(this);
    eFileInfo = Field(this);
    bbBrowse = new QPushButton(QStringLiteral("Browse"), this);
    eWebLocation = Field(this);
    cbstate = new QComboBox(this);
    cbstate->addItems({QStringLiteral("Checked In"), QStringLiteral("Checked Out")});
    auto* path = new QHBoxLayout;
    path->addWidget(eFileInfo, 1);
    path->addWidget(bbBrowse);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Name:"), enodename);
    fields->addRow(QStringLiteral("File Path:"), path);
    fields->addRow(QStringLiteral("Web Location:"), eWebLocation);
    fields->addRow(QStringLiteral("State:"), cbstate);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    const OkCancel buttons = AddOkCancelRow(*this, *layout);
    bbOK = buttons.ok;
    bbCancel = buttons.cancel;
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const auto modified = [this] { Modified = true; };
    connect(enodename, &QLineEdit::textChanged, this, modified);
    connect(eWebLocation, &QLineEdit::textChanged, this, modified);
    connect(cbstate, &QComboBox::currentIndexChanged, this, modified);
    connect(eFileInfo, &QLineEdit::textChanged, this, [this](const QString& text) {
        enodename->setText(QString::fromStdString(ExtractFileName(text.toStdString())));
        Modified = true;
    });
    connect(bbBrowse, &QPushButton::clicked, this, &TfFileProp::bbBrowseClick);
}

void TfFileProp::bbBrowseClick() {
    FileRequest request = m_openDialog;
    request.fileName = eFileInfo->text().toStdString();
    if (const auto chosen = m_prompter.openFile(request))
        eFileInfo->setText(QString::fromStdString(*chosen));
}

} // namespace velloran
