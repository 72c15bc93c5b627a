// The form and form element dialogs driven through their real controls: building fresh
// tags, loading existing ones, and every field edit reaching the final tag.
#include "tags/ui/tfformelement.h"
#include "tags/ui/tfformtag.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace velloran;

namespace {

std::string text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

void click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
}

void retype(QLineEdit* edit, const QString& replacement) {
    edit->selectAll();
    QTest::keyClicks(edit, replacement);
}

} // namespace

TEST(FormDialogsTag, FreshFormFollowsTheFields) {
    TfFormTag dialog;
    EXPECT_EQ(dialog.windowTitle(), "Form Tag");
    EXPECT_EQ(dialog.cbMethod->currentIndex(), -1);
    EXPECT_FALSE(dialog.Updating);
    dialog.eText->setText("Fields");
    dialog.Load();
    EXPECT_EQ(text(dialog.eTag), R"(<FORM ACTION="">Fields</FORM>)");

    QTest::keyClicks(dialog.eAction, "/cgi-bin/x");
    EXPECT_EQ(text(dialog.eTag), R"(<FORM ACTION="/cgi-bin/x">Fields</FORM>)");
    QTest::keyClick(dialog.cbMethod, Qt::Key_End); // a user's pick of the last entry
    EXPECT_EQ(text(dialog.eTag), R"(<FORM ACTION="/cgi-bin/x" METHOD="POST">Fields</FORM>)");
    QTest::keyClicks(dialog.eText, "!");
    EXPECT_EQ(text(dialog.eTag), R"(<FORM ACTION="/cgi-bin/x" METHOD="POST">Fields!</FORM>)");

    // With the FORM tag typed away, field edits leave the tag as it is.
    dialog.eTag->setText("plain");
    QTest::keyClicks(dialog.eAction, "y");
    EXPECT_EQ(text(dialog.eTag), "plain");
}

TEST(FormDialogsTag, ExistingFormLoadsWithoutRewriting) {
    TfFormTag dialog;
    const std::string form = "<FORM  ACTION=/go method=get>Body</FORM>";
    dialog.eTag->setText(QString::fromStdString(form));
    dialog.Load();
    EXPECT_EQ(text(dialog.eTag), form);
    EXPECT_EQ(text(dialog.eAction), "/go");
    EXPECT_EQ(dialog.cbMethod->currentText(), "GET");
    EXPECT_EQ(text(dialog.eText), "Body");

    dialog.eTag->setText("<FORM METHOD=\"Post\">Body</FORM>");
    EXPECT_EQ(dialog.cbMethod->currentText(), "POST");
    EXPECT_EQ(text(dialog.eAction), "");
    dialog.eTag->setText("<FORM METHOD=PUT>Body</FORM>");
    EXPECT_EQ(dialog.cbMethod->currentIndex(), -1);
}

TEST(FormDialogsElement, FreshElementsPerPage) {
    TfFormElement dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Form Element [TEXT]");
    dialog.setPage(TfFormElement::CheckBoxPage);
    EXPECT_EQ(dialog.windowTitle(), "Form Element [CHECKBOX]");
    dialog.setPage(9); // ignored
    EXPECT_EQ(dialog.page(), TfFormElement::CheckBoxPage);
    dialog.Load();
    EXPECT_EQ(text(dialog.eTag), R"(<INPUT TYPE="CHECKBOX" VALUE="">)");
    click(dialog.cbcbChecked);
    EXPECT_EQ(text(dialog.eTag), R"(<INPUT TYPE="CHECKBOX" VALUE="" CHECKED>)");
    click(dialog.cbcbChecked);
    EXPECT_EQ(text(dialog.eTag), R"(<INPUT TYPE="CHECKBOX" VALUE="">)");

    TfFormElement button;
    button.show();
    button.setPage(TfFormElement::ButtonPage);
    EXPECT_EQ(button.windowTitle(), "Form Element [BUTTON]");
    button.Load();
    EXPECT_EQ(text(button.eTag), R"(<INPUT TYPE="SUBMIT" VALUE="">)");
    click(button.rgButton->button(1));
    EXPECT_EQ(text(button.eTag), R"(<INPUT TYPE="RESET" VALUE="">)");
}

TEST(FormDialogsElement, LoadChoosesThePageFromTheElement) {
    struct Case {
        const char* tag;
        int page;
        const char* caption;
    };
    for (const Case& c :
         {Case{"<INPUT TYPE=password>", 0, "TEXT"}, Case{"<input type=Radio checked>", 3, "RADIO"},
          Case{"<INPUT TYPE=HIDDEN>", 5, "HIDDEN"}, Case{"<INPUT TYPE=button>", 4, "BUTTON"},
          Case{"<INPUT TYPE=image>", 2, "CHECKBOX"}}) {
        TfFormElement dialog;
        dialog.setPage(TfFormElement::CheckBoxPage);
        dialog.eTag->setText(c.tag);
        dialog.Load();
        EXPECT_EQ(dialog.page(), c.page) << c.tag;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Form Element [%1]").arg(c.caption));
        EXPECT_EQ(dialog.cbPassword->isChecked(), c.page == 0) << c.tag;
        EXPECT_EQ(dialog.cbrbChecked->isChecked(), c.page == 3) << c.tag;
        EXPECT_EQ(dialog.rgButton->checkedId(), c.page == 4 ? 2 : 0) << c.tag;
    }
}

TEST(FormDialogsElement, TextAreaInBothForms) {
    TfFormElement input;
    input.show();
    input.eTag->setText("<INPUT TYPE=TEXTAREA SIZE=40,5 NAME=memo>");
    input.Load();
    EXPECT_EQ(input.page(), TfFormElement::TextAreaPage);
    EXPECT_TRUE(input.rbTAInput->isChecked());
    EXPECT_FALSE(input.rbTAInput->isEnabled());
    EXPECT_EQ(text(input.eAreaWidth), "40");
    EXPECT_EQ(text(input.eAreaHeight), "5");
    EXPECT_EQ(text(input.ename), "memo");
    retype(input.eAreaHeight, "6");
    EXPECT_EQ(text(input.eTag), R"(<INPUT TYPE=TEXTAREA SIZE="40,6" NAME=memo>)");

    TfFormElement area;
    area.eTag->setText("<TEXTAREA COLS=30 ROWS=4 NAME=notes>Hello</TEXTAREA>");
    area.Load();
    EXPECT_TRUE(area.rbtaTextArea->isChecked());
    EXPECT_EQ(text(area.eAreaWidth), "30");
    EXPECT_EQ(text(area.eAreaHeight), "4");
    EXPECT_EQ(text(area.ename), "notes");
    EXPECT_EQ(text(area.eValue), "Hello");
    QTest::keyClicks(area.eValue, " world");
    retype(area.eAreaWidth, "50");
    retype(area.ename, "n2");
    EXPECT_EQ(text(area.eTag), R"(<TEXTAREA COLS="50" ROWS="4" NAME="n2">Hello world</TEXTAREA>)");
}

TEST(FormDialogsElement, HandEditedTagFillsTheFieldsOnly) {
    TfFormElement dialog;
    const std::string tag = "<INPUT TYPE=TEXT MAXLENGTH=8 SIZE=20 NAME=q VALUE=x>";
    dialog.eTag->setText(QString::fromStdString(tag));
    EXPECT_EQ(text(dialog.eMaxLength), "8");
    EXPECT_EQ(text(dialog.etextWidth), "20");
    EXPECT_EQ(text(dialog.ename), "q");
    EXPECT_EQ(text(dialog.eValue), "x");
    EXPECT_EQ(text(dialog.eTag), tag);
    QTest::keyClicks(dialog.etextWidth, "0");
    EXPECT_EQ(text(dialog.eTag), R"(<INPUT TYPE=TEXT MAXLENGTH=8 SIZE="200" NAME=q VALUE=x>)");

    dialog.eTag->setText("junk");
    QTest::keyClicks(dialog.ename, "z");
    EXPECT_EQ(text(dialog.eTag), "junk");
}
