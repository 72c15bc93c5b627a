// The image, anchor and font tag dialogs and the colour pop-up, driven through their real
// fields, buttons and pop-ups under the offscreen platform.
#include "tags/ui/tfanchor.h"
#include "tags/ui/tfcolorpick.h"
#include "tags/ui/tffont.h"
#include "tags/ui/tfimg.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velloran;

namespace {

std::string Text(const QLineEdit* field) {
    return field->text().toStdString();
}

// Replaces a field's whole text as a user would: select everything, then type over it.
void Retype(QLineEdit* field, const QString& text) {
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    else
        QTest::keyClicks(field, text);
}

// Acts on the colour pop-up once it shows.
void WhenPaletteOpens(std::function<void(Tfcolorpick&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        if (auto* palette = qobject_cast<Tfcolorpick*>(QApplication::activePopupWidget()))
            act(*palette);
    });
}

} // namespace

TEST(LinkDialogsImage, TemplateAttributesAndBrowse) {
    ScriptedPrompter prompter;
    FileRequest openDialog;
    openDialog.filterIndex = 5;
    TfImg dialog({&prompter, &openDialog, std::string("<Untitled>")});
    dialog.eSRC->setText("logo.gif");
    dialog.Load();
    EXPECT_EQ(Text(dialog.eTag), R"(<IMG SRC="logo.gif">)");
    QTest::keyClicks(dialog.eBORDER, "10");
    EXPECT_EQ(Text(dialog.eTag), R"(<IMG SRC="logo.gif" BORDER="10">)");
    Retype(dialog.eBORDER, "");
    EXPECT_EQ(Text(dialog.eTag), R"(<IMG SRC="logo.gif" >)");

    prompter.planFile("/home/ann/pics/sun.png");
    prompter.planFile(std::nullopt);
    dialog.bbrowseSRC->click();
    dialog.bbrowseSRC->click();
    ASSERT_EQ(prompter.fileRequests.size(), 2u);
    EXPECT_EQ(prompter.fileRequests[0].filterIndex, 3);
    EXPECT_EQ(openDialog.filterIndex, 5);
    EXPECT_EQ(Text(dialog.eSRC), "/home/ann/pics/sun.png");
    EXPECT_EQ(Text(dialog.eTag), R"(<IMG SRC="/home/ann/pics/sun.png" >)");

    TfImg noDocument({&prompter, &openDialog, std::nullopt});
    noDocument.bbrowseSRC->click();
    EXPECT_EQ(prompter.fileRequests.size(), 2u);
    EXPECT_TRUE(noDocument.eSRC->text().isEmpty());
}

TEST(LinkDialogsAnchor, FieldsAndFinalTagFollowEachOther) {
    TfAnchor dialog(TagDialogContext{});
    dialog.eTag->setText("<a  href=a.htm>x</a>");
    dialog.Load();
    EXPECT_EQ(Text(dialog.eURL), "a.htm");
    EXPECT_EQ(Text(dialog.eText), "x");
    EXPECT_EQ(Text(dialog.eTag), "<a  href=a.htm>x</a>");
    EXPECT_FALSE(dialog.Updating);

    QTest::keyClicks(dialog.cbTarget->lineEdit(), "_top");
    EXPECT_EQ(Text(dialog.eTag), R"(<a href=a.htm TARGET="_top">x</a>)");

    const QString typed = R"(<A HREF="b.htm" TARGET=_self>see  <b>this</b></A>)";
    Retype(dialog.eTag, typed);
    EXPECT_EQ(dialog.eTag->text(), typed);
    EXPECT_EQ(Text(dialog.eURL), "b.htm");
    EXPECT_EQ(dialog.cbTarget->currentText(), "_self");
    EXPECT_EQ(Text(dialog.eText), "see  <b>this</b>");
    QTest::keyClicks(dialog.eText, "!");
    EXPECT_EQ(Text(dialog.eTag), R"(<A HREF="b.htm" TARGET=_self>see  <b>this</b>!</A>)");

    Retype(dialog.eTag, "");
    EXPECT_EQ(Text(dialog.eTag), R"(<A HREF="b.htm">see  <b>this</b>!</A>)");

    // Without its tag start the final tag is left alone by every field.
    Retype(dialog.eTag, "plain > text </A>");
    QTest::keyClicks(dialog.eText, "z");
    QTest::keyClicks(dialog.eURL, "q");
    EXPECT_EQ(Text(dialog.eTag), "plain > text </A>");
}

TEST(LinkDialogsAnchor, ImageButtonEditsTheLinkedImage) {
    TfAnchor dialog(TagDialogContext{});
    dialog.eTag->setText(R"(<A HREF="a.htm">pic.gif</A>)");
    dialog.Load();
    QString offered;
    dialog.runImageDialog = [&](TfImg& image) {
        offered = image.eTag->text();
        QTest::keyClicks(image.eALT, "Sun");
        return int(QDialog::Accepted);
    };
    dialog.bbImage->click();
    EXPECT_EQ(offered, R"(<IMG SRC="pic.gif">)");
    EXPECT_EQ(Text(dialog.eTag), R"(<A HREF="a.htm"><IMG SRC="pic.gif" ALT="Sun"></A>)");

    // Linked text that is an image tag is opened as that tag; Cancel changes nothing.
    dialog.runImageDialog = [&](TfImg& image) {
        offered = image.eALT->text();
        QTest::keyClicks(image.eALT, "set");
        return int(QDialog::Rejected);
    };
    dialog.bbImage->click();
    EXPECT_EQ(offered, "Sun");
    EXPECT_EQ(Text(dialog.eTag), R"(<A HREF="a.htm"><IMG SRC="pic.gif" ALT="Sun"></A>)");
}

TEST(LinkDialogsFont, FaceNamesAndColours) {
    TfFont dialog;
    dialog.Load();
    EXPECT_EQ(Text(dialog.etag), "<FONT ></FONT>");
    QTest::keyClicks(dialog.eText, "Hi");
    EXPECT_EQ(Text(dialog.etag), "<FONT >Hi</FONT>");

    QComboBox* names = dialog.cbFontName;
    names->clear();
    names->addItems({"Arial", "Verdana"});
    names->setCurrentIndex(-1);
    QTest::keyClicks(names->lineEdit(), "Ver");
    EXPECT_TRUE(dialog.eFace->text().isEmpty());
    names->setCurrentIndex(-1);
    QTest::keyClick(names, Qt::Key_Down);
    QTest::keyClick(names, Qt::Key_Down);
    QTest::keyClick(names, Qt::Key_Up);
    EXPECT_EQ(Text(dialog.eFace), "Arial,Verdana");
    EXPECT_EQ(Text(dialog.etag), R"(<FONT FACE="Arial,Verdana">Hi</FONT>)");

    QTest::keyClicks(dialog.eColor, "#FF8000");
    EXPECT_EQ(dialog.ColorButton1->color(), QColor(255, 128, 0));
    Retype(dialog.eColor, "red");
    EXPECT_EQ(dialog.ColorButton1->color(), QColor(Qt::black));
    EXPECT_EQ(Text(dialog.etag), R"(<FONT FACE="Arial,Verdana" COLOR="red">Hi</FONT>)");

    // The palette starts from the code in the field, not from the button's last colour.
    Retype(dialog.eColor, "#00FF00");
    dialog.ColorButton1->setColor(Qt::white);
    QColor started;
    dialog.ColorButton1->pickColor = [&](const QColor& current) {
        started = current;
        return std::optional<QColor>(QColor(0, 0, 128));
    };
    dialog.ColorButton1->click();
    EXPECT_EQ(started, QColor(0, 255, 0));
    EXPECT_EQ(Text(dialog.eColor), "#000080");
    EXPECT_EQ(Text(dialog.etag), R"(<FONT FACE="Arial,Verdana" COLOR="#000080">Hi</FONT>)");
}

TEST(LinkDialogsColorPick, CellsPanelMoreAndEscape) {
    ColorButton button;
    button.setColor(Qt::yellow);
    QSignalSpy picked(&button, &ColorButton::colorPicked);
    WhenPaletteOpens([](Tfcolorpick& palette) {
        EXPECT_EQ(palette.width(), palette.ColorGrid1->width() + 8);
        EXPECT_EQ(palette.selectedColor(), QColor(Qt::yellow));
        QTest::keyClick(&palette, Qt::Key_Escape);
    });
    button.click();
    EXPECT_EQ(button.color(), QColor(Qt::yellow));
    EXPECT_EQ(picked.count(), 0);

    WhenPaletteOpens([](Tfcolorpick& palette) {
        QTest::mouseClick(palette.ColorGrid1, Qt::LeftButton, {},
                          palette.ColorGrid1->cellRect(9).center());
    });
    button.click();
    EXPECT_EQ(button.color(), QColor(255, 0, 0));
    EXPECT_EQ(picked.count(), 1);

    Tfcolorpick palette;
    palette.setSelectedColor(QColor(1, 2, 3));
    QColor offered;
    palette.chooseColor = [&](const QColor& initial, QWidget*) {
        offered = initial;
        return QColor(4, 5, 6);
    };
    QTimer::singleShot(0, palette.Button1, &QPushButton::click);
    EXPECT_EQ(palette.exec(), QDialog::Accepted);
    EXPECT_EQ(offered, QColor(1, 2, 3));
    EXPECT_EQ(palette.selectedColor(), QColor(4, 5, 6));
    palette.chooseColor = [](const QColor&, QWidget*) { return QColor(); };
    QTimer::singleShot(0, palette.Button1, &QPushButton::click);
    EXPECT_EQ(palette.exec(), QDialog::Rejected);
    QTimer::singleShot(0, [&] { QTest::mouseClick(palette.pSelcolor, Qt::LeftButton); });
    EXPECT_EQ(palette.exec(), QDialog::Accepted);
    EXPECT_EQ(palette.selectedColor(), QColor(4, 5, 6));
}
