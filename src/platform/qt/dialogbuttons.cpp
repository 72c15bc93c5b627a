// Building the OK and Cancel row.
#include "platform/qt/dialogbuttons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace velloran {

OkCancel AddOkCancelRow(QDialog& dialog, QBoxLayout& layout) {
    OkCancel buttons;
    buttons.ok = new QPushButton(QStringLiteral("OK"), &dialog);
    buttons.ok->setDefault(true);
    buttons.cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);
    layout.addLayout(row);
    QObject::connect(buttons.ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(buttons.cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace velloran
