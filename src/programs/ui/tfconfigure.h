// The "Configure" dialog: the desktop file associations and the FTP proxy settings.
#pragma once

#include "programs/associations.h"

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace velloran {

class Prompter;

class TfConfigure : public QDialog {
    Q_OBJECT
public:
    // `settingsFile` is read when the dialog is made and written by OK (the proxy)
    // and by Update Registry (the list); the associations go below `dataHome`, with
    // `programFile` as the program that opens the files.
    TfConfigure(std::string settingsFile, std::string dataHome, std::string programFile,
                Prompter& prompter, QWidget* parent = nullptr);

    QTabWidget* PageControl1 = nullptr;
    QWidget* tsFileAssociations = nullptr;
    QWidget* tsFTP = nullptr;
    QCheckBox* cbAssociate = nullptr;
    QListWidget* CheckListBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* bbUpdateReg = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* bbRemoveAll = nullptr;
    QLineEdit* eInclude = nullptr;
    QPushButton* bbincludeinlist = nullptr;
    QPushButton* bbremoveitem = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* cbuseproxy = nullptr;
    QLineEdit* eProxyName = nullptr;
    QLineEdit* eProxyPort = nullptr;
    QPushButton* bbOK = nullptr;
    QPushButton* bbCancel = nullptr;

    void bbincludeinlistClick();
    void bbremoveitemClick();
    void BitBtn1Click();
    void bbRemoveAllClick();
    void bbUpdateRegClick();
    void bbOKClick();

    // The list as the check list shows it.
    [[nodiscard]] std::vector<programs::ExtensionEntry> entries() const;

private:
    void FormCreate();
    QWidget* buildAssociationsPage();
    QWidget* buildFtpPage();
    void addEntry(const programs::ExtensionEntry& entry);
    void checkAll(bool checked);
    // Errors of a button's work are reported and leave the dialog open.
    void reported(const std::function<void()>& work);

    std::string m_settingsFile;
    std::string m_dataHome;
    std::string m_programFile;
    Prompter& m_prompter;
};

} // namespace velloran
