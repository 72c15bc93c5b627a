// The "Form Tag" dialog: every field edit rewrites the final tag, and a hand edit of the tag
// flows back into the fields.
#include "tags/ui/tfformtag.h"

namespace velloran {

TfFormTag::TfFormTag(QWidget* parent)
    : TagDialog(QStringLiteral("Form Tag"), "<FORM", "</FORM>", parent) {
    eAction = new QLineEdit(this);
    eAction->setMinimumWidth(kTagFieldWidth);
    addRow(QStringLiteral("Action:"), eAction);
    bindAttribute(eAction, "ACTION=");
    cbMethod = new QComboBox(this);
    cbMethod->addItems({QStringLiteral("GET"), QStringLiteral("POST")});
    cbMethod->setCurrentIndex(-1);
    addRow(QStringLiteral("Method:"), cbMethod);
    // Only a user's pick writes the tag: loading selects the entry quietly.
    connect(cbMethod, &QComboBox::activated, this,
            [this] { storeAttribute("METHOD=", cbMethod->currentText().toStdString()); });
    eText = new QLineEdit(this);
    addRow(QStringLiteral("Text:"), eText);
    bindContent(eText);
    eTag = addFinalTag(QStringLiteral("Final Tag:"));
}

void TfFormTag::loadFields() {
    loadAttribute(eAction, "ACTION=");
    const QString method = QString::fromStdString(attribute("METHOD="));
    cbMethod->setCurrentIndex(method.isEmpty() ? -1
                                               : cbMethod->findText(method, Qt::MatchFixedString));
    loadContent(eText);
}

std::string TfFormTag::newTag() const {
    return "<FORM ACTION=\"\">" + FieldText(eText) + "</FORM>";
}

} // namespace velloran
