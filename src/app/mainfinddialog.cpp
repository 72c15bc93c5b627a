// Building the shared find dialog.
#include "app/mainfinddialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velloran {

TMainFindDialog::TMainFindDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FindDialog1"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    eFind = new QLineEdit;
    cbMatchCase = new QCheckBox(QStringLiteral("Match &case"));
    cbWholeWord = new QCheckBox(QStringLiteral("Match &whole word only"));
    bbFindNext = new QPushButton(QStringLiteral("&Find Next"));
    bbFindNext->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Fi&nd what:")));
    row->addWidget(eFind, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(bbFindNext);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* fields = new QVBoxLayout;
    fields->addLayout(row);
    fields->addWidget(cbWholeWord);
    fields->addWidget(cbMatchCase);
    fields->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    connect(bbFindNext, &QPushButton::clicked, this, &TMainFindDialog::find);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    connect(eFind, &QLineEdit::textChanged, this,
            [this](const QString& text) { bbFindNext->setEnabled(!text.isEmpty()); });
    bbFindNext->setEnabled(false);
}

std::string TMainFindDialog::findText() const {
    return eFind->text().toStdString();
}

void TMainFindDialog::setFindText(const std::string& text) {
    eFind->setText(QString::fromStdString(text));
}

bool TMainFindDialog::matchCase() const {
    return cbMatchCase->isChecked();
}

bool TMainFindDialog::wholeWord() const {
    return cbWholeWord->isChecked();
}

} // namespace velloran
