// The "Form Element" dialog: builds or edits one form control (INPUT of some type, or a
// TEXTAREA), with a page of settings for each kind.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QString;

namespace velloran {

class TfFormElement : public QDialog {
    Q_OBJECT

public:
    // The pages of Notebook1, in order.
    enum Page { TextPage, TextAreaPage, CheckBoxPage, RadioPage, ButtonPage, HiddenPage };

    explicit TfFormElement(QWidget* parent = nullptr);

    // Reads the element in eTag (its kind chooses the page), or builds a fresh one for the
    // page shown when eTag is empty.
    void Load();
    // Shows page `index` (a Page) and names it in the caption; other indices are ignored.
    void setPage(int index);
    [[nodiscard]] int page() const;

    QLineEdit* eTag = nullptr;
    QLineEdit* ename = nullptr;
    QLineEdit* eValue = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QLineEdit* eMaxLength = nullptr;
    QLineEdit* etextWidth = nullptr;
    QCheckBox* cbPassword = nullptr;
    QLineEdit* eAreaWidth = nullptr;
    QLineEdit* eAreaHeight = nullptr;
    // Which of the two ways of writing a text area was loaded; never the user's choice.
    QRadioButton* rbTAInput = nullptr;
    QRadioButton* rbtaTextArea = nullptr;
    QCheckBox* cbcbChecked = nullptr;
    QCheckBox* cbrbChecked = nullptr;
    // Ids 0, 1, 2 stand for SUBMIT, RESET and BUTTON.
    QButtonGroup* rgButton = nullptr;
    QGroupBox* rgButtonBox = nullptr;
    QPushButton* bbOK = nullptr;
    QPushButton* bbCancel = nullptr;
    // True while the dialog writes into its own fields or into eTag, so that the change
    // handlers do not feed the write back into the tag.
    bool Updating = false;

private:
    void build();
    QWidget* buildTextPage();
    QWidget* buildTextAreaPage();
    QWidget* buildCheckPage(QCheckBox*& box);
    QWidget* buildButtonPage();
    void connectFields();
    void connectPageFields();

    void choosePage(const std::string& tag);
    void readFields();
    void readTextAreaSize(const std::string& tag);
    void buildDefaultTag();
    // Page 1 showing an element written as <TEXTAREA>...</TEXTAREA>.
    [[nodiscard]] bool textAreaElement() const;

    void setAttribute(std::string_view tagStart, std::string_view name, const QString& value);
    void setInputAttribute(std::string_view name, const QString& value);
    void valueChanged(const QString& text);
    void areaSizeChanged(bool width);
    void checkedChanged(bool checked);
    void tagChanged();
    void storeTag(const std::string& tag);
    [[nodiscard]] std::string tagText() const;
};

} // namespace velloran
