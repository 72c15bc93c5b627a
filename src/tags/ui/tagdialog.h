// What every tag dialog shares: a final-tag box that follows the fields, and fields that
// follow a hand-edited final tag. The controls are public, so their headers come along.
#pragma once

#include "tags/ui/tagdialogcontext.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QGridLayout;
class QVBoxLayout;

namespace velloran {

// Changes the text only when it differs, so that an unchanged field reports no change.
void SetFieldText(QLineEdit* field, const QString& text);
[[nodiscard]] std::string FieldText(const QLineEdit* field);

// Asks for a file through the context's open dialog, showing `filterIndex` meanwhile
// when given; the file as a URL relative to the document. Nothing without a document.
[[nodiscard]] std::optional<QString> BrowseUrl(const TagDialogContext& context,
                                               std::optional<int> filterIndex);

// The usual width of a dialog's text fields.
inline constexpr int kTagFieldWidth = 320;

class TagDialog : public QDialog {
    Q_OBJECT

public:
    // Fills the fields from the final tag, or the final tag from the fields when empty.
    void Load();

    QPushButton* bbOK = nullptr;
    QPushButton* bbCancel = nullptr;
    // Set while the dialog itself writes into a field or the final tag, so that neither
    // side echoes the other.
    bool Updating = false;

protected:
    // `closeText` ends the tag's content; empty for a tag without one.
    TagDialog(const QString& title, std::string tagStart, std::string closeText, QWidget* parent);

    // A row of the field grid; `extra` goes to its right.
    void addRow(QWidget* label, QWidget* field, QWidget* extra = nullptr);
    void addRow(const QString& label, QWidget* field, QWidget* extra = nullptr);
    // The last row, then OK and Cancel; the final-tag box it returns.
    QLineEdit* addFinalTag(const QString& label);

    // The field edits the attribute `name` (with its "="); `afterStore` runs when the
    // final tag took the change.
    void bindAttribute(QLineEdit* field, std::string name,
                       std::function<void()> afterStore = nullptr);
    // The field edits the content between the opening tag and the close text.
    void bindContent(QLineEdit* field);
    // Sets the attribute in the final tag unless the dialog is writing itself; false when
    // nothing was stored (no tag start left in the final tag).
    bool storeAttribute(std::string_view name, const std::string& value);
    [[nodiscard]] std::string attribute(std::string_view name) const;
    void loadAttribute(QLineEdit* field, std::string_view name);
    void loadContent(QLineEdit* field);

    [[nodiscard]] std::string finalTag() const;
    virtual void loadFields() = 0;
    // The tag an empty final-tag box receives.
    [[nodiscard]] virtual std::string newTag() const = 0;

private:
    void store(const std::string& tag);
    void finalTagChanged();

    std::string m_tagStart;
    std::string m_closeText;
    QVBoxLayout* m_layout = nullptr;
    QGridLayout* m_grid = nullptr;
    QLineEdit* m_finalTag = nullptr;
};

} // namespace velloran
