// The document skeleton dialog: the page's header and footer, the title, body colours and
// background image set through fields, and the header and footer templates.
#pragma once

#include "tags/skeleton.h"
#include "tags/ui/tagdialogcontext.h"
#include "tags/ui/tfcolorpick.h"

#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>
#include <string_view>

class QHBoxLayout;

namespace velloran {

class TfHTML : public QDialog {
    Q_OBJECT

public:
    // The memos start with the templates found in `places`, or the built-in texts with
    // the charset of `encoding`. A template that cannot be read is reported.
    TfHTML(const TagDialogContext& context, TemplatePlaces places, Encoding encoding,
           QWidget* parent = nullptr);

    // The memos' texts as UTF-8 with CR LF line ends, and setting them.
    [[nodiscard]] std::string headerText() const;
    [[nodiscard]] std::string footerText() const;
    void setHeaderText(std::string_view utf8);
    void setFooterText(std::string_view utf8);

    // Fills the fields from the header.
    void Load();

    QPlainTextEdit* mHead = nullptr;
    QPlainTextEdit* mfoot = nullptr;
    QLineEdit* eTitle = nullptr;
    ColorButton* colorBackground = nullptr;
    QLineEdit* eBGImg = nullptr;
    QPushButton* bbBrowseBackground = nullptr;
    ColorButton* ColorLink = nullptr;
    ColorButton* ColorVLink = nullptr;
    QPushButton* bbLoadDefault = nullptr;
    QPushButton* bbLoadProject = nullptr;
    QPushButton* bbdefault = nullptr;
    QPushButton* bbProject = nullptr;
    QPushButton* bbOK = nullptr;
    QPushButton* bbCancel = nullptr;
    // Set while the dialog writes into the header or the fields itself, so that neither
    // side echoes the other.
    bool Updating = false;

private:
    [[nodiscard]] QWidget* makeFields();
    [[nodiscard]] QWidget* makeTemplateButtons();
    ColorButton* addColorField(QHBoxLayout* row, const QString& label, std::string name);
    void mHeadChange();
    void storeHeader(const std::string& header);
    void loadTemplates(const TemplateFiles& primary, const TemplateFiles& fallback);
    void saveTemplates(const TemplateFiles& files);
    void reportError(const std::exception& error);

    TagDialogContext m_context;
    TemplatePlaces m_places;
};

} // namespace velloran
