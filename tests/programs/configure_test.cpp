// The configuration dialog from the main window: the proxy reaches the settings only
// through OK and the next FTP window reads it, Cancel writes nothing, and Update
// Registry saves the list and writes the desktop files into the data folder.
#include "app/mainwindowfixture.h"
#include "ftp/ui/tfftp.h"
#include "platform/inifile.h"
#include "programs/ui/tfconfigure.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeDatabase>
#include <QPushButton>
#include <QTabWidget>

namespace velloran {
namespace {

class ConfigureTest : public MainWindowTest {
protected:
    void SetUp() override {
        m_oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
        IniFile ini(settingsPath().toStdString());
        ini.writeString("startup", "note", "kept as it is");
        ini.save();
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", m_oldData); }

    // Runs the dialog through `command` with `script` in place of the user.
    void configure(const char* command, const std::function<void(TfConfigure&)>& script) {
        editor->execDialog = [&](QDialog& dialog) {
            auto& configure = dynamic_cast<TfConfigure&>(dialog);
            script(configure);
            return configure.result();
        };
        editor->command(command)->trigger();
    }
    static std::vector<Qt::CheckState> states(const TfConfigure& dialog) {
        std::vector<Qt::CheckState> list;
        for (int row = 0; row < dialog.CheckListBox1->count(); ++row)
            list.push_back(dialog.CheckListBox1->item(row)->checkState());
        return list;
    }
    static QString typeOf(const QString& extension) {
        const QMimeType type =
            QMimeDatabase().mimeTypeForFile("file" + extension, QMimeDatabase::MatchExtension);
        return type.isDefault() ? QString() : type.name();
    }

    std::unique_ptr<TfEditor> editor;
    QByteArray m_oldData;
};

TEST_F(ConfigureTest, ProxyOnlyByOkListAndDesktopFilesByUpdateRegistry) {
    editor = start();
    QMenu* view = nullptr;
    for (QAction* menu : editor->menuBar()->actions())
        if (menu->text() == "View")
            view = menu->menu();
    ASSERT_NE(view, nullptr);
    const int at = static_cast<int>(view->actions().indexOf(editor->command("ConfigureScreen1")));
    EXPECT_EQ(view->actions().at(at)->text(), "Configure Screen...");
    EXPECT_TRUE(view->actions().at(at + 1)->isSeparator());
    EXPECT_EQ(editor->command("sbConfigure")->toolTip(), "Configure Screen");

    const QByteArray before = fileBytes(settingsPath());
    configure("ConfigureScreen1", [](TfConfigure& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Configure");
        EXPECT_EQ(dialog.PageControl1->currentWidget(), dialog.tsFileAssociations);
        EXPECT_TRUE(dialog.cbAssociate->isChecked());
        EXPECT_EQ(dialog.CheckListBox1->count(), 10);
        EXPECT_EQ(dialog.CheckListBox1->item(9)->text(), ".cpp");
        dialog.bbRemoveAll->click();
        EXPECT_FALSE(dialog.cbAssociate->isChecked());
        EXPECT_EQ(states(dialog), std::vector<Qt::CheckState>(10, Qt::Unchecked));
        dialog.BitBtn1->click();
        EXPECT_TRUE(dialog.cbAssociate->isChecked());
        EXPECT_EQ(states(dialog), std::vector<Qt::CheckState>(10, Qt::Checked));
        dialog.eProxyName->setText("proxy.test");
        dialog.bbCancel->click();
    });
    EXPECT_EQ(fileBytes(settingsPath()), before);

    // Update Registry saves the list at once, while Cancel still keeps the proxy out.
    const QString data = dir.filePath("data");
    configure("sbConfigure", [&](TfConfigure& dialog) {
        dialog.eInclude->setText("zzq");
        dialog.bbincludeinlist->click(); // no leading "."
        dialog.eInclude->setText(".zzqvelloran");
        dialog.bbincludeinlist->click();
        dialog.CheckListBox1->setCurrentRow(4); // ".cfg"
        dialog.bbremoveitem->click();
        dialog.CheckListBox1->item(2)->setCheckState(Qt::Unchecked); // ".txt"
        dialog.cbuseproxy->setChecked(true);
        dialog.bbUpdateReg->click();
        ASSERT_FALSE(prompter.messages.empty());
        EXPECT_EQ(prompter.messages.back().text, "Registry updated successfully.");
        EXPECT_EQ(prompter.messages.at(prompter.messages.size() - 2).text,
                  "There is no default association for  the extension \".zzqvelloran\".\r\n\r\n"
                  "Velloran association was not added.");
        dialog.bbCancel->click();
    });
    IniFile saved(settingsPath().toStdString());
    EXPECT_EQ(saved.readString("file associations", "count", ""), "10");
    EXPECT_EQ(saved.readString("file associations", "Item4", ""), ".pas");
    EXPECT_EQ(saved.readString("file associations", "Item9", ""), ".zzqvelloran");
    EXPECT_EQ(saved.readString("TfConfigureCheckListBox1", "Item2", ""), "0");
    EXPECT_FALSE(saved.hasSection("FTP Proxy"));
    EXPECT_EQ(saved.readString("startup", "note", ""), "kept as it is");

    EXPECT_TRUE(QFile::exists(data + "/mime/packages/velloran.xml"));
    const QString desktop = QString::fromUtf8(fileBytes(data + "/applications/velloran.desktop"));
    const QString mimeLine = desktop.section("\nMimeType=", 1).section('\n', 0, 0);
    QStringList listed = mimeLine.split(';', Qt::SkipEmptyParts);
    EXPECT_EQ(listed.value(0), "application/x-velloran-project");
    for (const char* ticked : {".htm", ".h", ".cpp"})
        EXPECT_TRUE(listed.contains(typeOf(ticked))) << ticked << " " << mimeLine.toStdString();
    if (!typeOf(".txt").isEmpty() && typeOf(".txt") != typeOf(".ini")) {
        EXPECT_FALSE(listed.contains(typeOf(".txt"))) << mimeLine.toStdString();
    }

    configure("sbConfigure", [](TfConfigure& dialog) {
        EXPECT_EQ(dialog.CheckListBox1->count(), 10);
        EXPECT_EQ(dialog.CheckListBox1->item(2)->checkState(), Qt::Unchecked);
        EXPECT_FALSE(dialog.cbuseproxy->isChecked());
        dialog.PageControl1->setCurrentWidget(dialog.tsFTP);
        dialog.cbuseproxy->setChecked(true);
        dialog.eProxyName->setText("proxy.test");
        dialog.eProxyPort->setText("2121");
        dialog.bbOK->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    const IniFile proxy(settingsPath().toStdString());
    EXPECT_EQ(proxy.readString("FTP Proxy", "UseProxy", ""), "1");
    EXPECT_EQ(proxy.readString("FTP Proxy", "ProxyName", ""), "proxy.test");

    editor->command("sbFTP")->trigger();
    ASSERT_NE(editor->ftpWindow(), nullptr);
    EXPECT_EQ(editor->ftpWindow()->client().Proxy, "proxy.test");
    EXPECT_EQ(editor->ftpWindow()->client().ProxyPort, 2121);
    editor->ftpWindow()->close();
}

} // namespace
} // namespace velloran
