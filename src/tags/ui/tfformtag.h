// The "Form Tag" dialog: builds or edits a FORM element from its action, method and content.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

class QComboBox;
class QLineEdit;
class QPushButton;
class QString;

namespace velloran {

class TfFormTag : public QDialog {
    Q_OBJECT

public:
    explicit TfFormTag(QWidget* parent = nullptr);

    // Fills the fields from the tag in eTag, or builds a fresh tag from eText when eTag is
    // empty. Fields that already hold the tag's values are left alone.
    void Load();

    QLineEdit* eTag = nullptr;
    QLineEdit* eAction = nullptr;
    QComboBox* cbMethod = nullptr;
    QLineEdit* eText = nullptr;
    QPushButton* bbOK = nullptr;
    QPushButton* bbCancel = nullptr;
    // True while the dialog writes into its own fields or into eTag, so that the change
    // handlers do not feed the write back into the tag.
    bool Updating = false;

private:
    void build();
    void connectFields();
    void setFormAttribute(std::string_view name, const QString& value);
    void storeTag(const std::string& tag);
    [[nodiscard]] std::string tagText() const;
};

} // namespace velloran
