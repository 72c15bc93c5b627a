// Screen layouts of the three windows and the toolbars' switches, menus and places.
#include "app/datamodule.h"
#include "app/layout.h"
#include "app/mainwindow.h"
#include "app/toolbarstate.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "platform/prompter.h"
#include "project/tfproject.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QToolBar>

namespace velloran {

namespace {

QString Name(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

int TagOf(const QObject* sender) {
    return sender != nullptr ? sender->property("tag").toInt() : 0;
}

// A numbered layout command names its slot; the window itself (start and exit) the current one.
QString SuffixOf(const QObject* sender) {
    const int tag = TagOf(sender);
    return qobject_cast<const QAction*>(sender) != nullptr && tag > 0 ? QString::number(tag)
                                                                      : QString();
}

ScreenSize PrimaryScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    return {area.width(), area.height()};
}

void Apply(QWidget& window, const WindowPlacement& placement) {
    window.setWindowState(Qt::WindowNoState);
    window.resize(placement.width, placement.height);
    window.move(placement.left, placement.top);
    if (placement.state == kStateMaximized)
        window.setWindowState(Qt::WindowMaximized);
    else if (placement.state == kStateMinimized)
        window.setWindowState(Qt::WindowMinimized);
}

WindowPlacement PlacementOf(const QWidget& window) {
    WindowPlacement placement;
    placement.width = window.width();
    placement.height = window.height();
    placement.top = window.y();
    placement.left = window.x();
    placement.state = window.isMaximized()   ? kStateMaximized
                      : window.isMinimized() ? kStateMinimized
                                             : kStateNormal;
    placement.visible = window.isVisible();
    return placement;
}

} // namespace

void TfEditor::LoadLayout(QObject* sender) {
    LayoutSuffix = SuffixOf(sender);
    const std::string suffix = LayoutSuffix.toStdString();
    IniFile ini("");
    try {
        ini = IniFile(m_dm.state.iniFileName);
    } catch (const VelloranError& error) {
        // An unreadable file leaves the defaults; saying so once is enough.
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
    const ScreenSize screen = PrimaryScreenSize();
    Apply(*this, ReadPlacement(ini, LayoutWindow::Main, suffix, screen));
    if (m_project != nullptr) {
        WindowPlacement project = ReadPlacement(ini, LayoutWindow::Project, suffix, screen);
        // With no layout saved yet (a first start), a project opened on the way shows.
        if (!ini.hasKey(LayoutSection(LayoutWindow::Project, suffix), "Visible") &&
            !m_dm.state.projectFileName.empty())
            project.visible = true;
        if (!project.visible)
            m_project->hide();
        Apply(*m_project, project);
        if (project.visible)
            m_project->show();
    }
    const bool projectShown = m_project != nullptr && m_project->isVisible();
    for (const QString& name : {QStringLiteral("sbproject"), QStringLiteral("ProjectManager1")})
        command(name)->setChecked(projectShown);
}

void TfEditor::saveLayoutTo(IniFile& ini, const QString& suffix) const {
    const std::string slot = suffix.toStdString();
    WritePlacement(ini, LayoutWindow::Main, slot, PlacementOf(*this));
    if (m_project != nullptr)
        WritePlacement(ini, LayoutWindow::Project, slot, PlacementOf(*m_project));
    // The preview window has not been made in this run.
    WritePlacement(ini, LayoutWindow::Preview, slot, {}, false);
}

void TfEditor::SaveLayout(QObject* sender) {
    LayoutSuffix = SuffixOf(sender);
    try {
        IniFile ini(m_dm.state.iniFileName);
        saveLayoutTo(ini, LayoutSuffix);
        ini.save();
    } catch (const VelloranError& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
}

void TfEditor::ShowToolbars(QObject* sender) {
    const int tag = TagOf(sender);
    if (sender != nullptr && sender->property("toolbarMenuItem").toBool()) {
        // Qt has already toggled the item's check mark.
        const bool checked = static_cast<QAction*>(sender)->isChecked();
        if (tag == kSwitchToolbarTag)
            toolbar(kSwitchToolbarTag)->setVisible(checked);
        else if (tag >= 1 && tag <= kToolbarCount)
            command(Name(Toolbars()[static_cast<size_t>(tag - 1)].switchName))->setChecked(checked);
    }
    for (const ToolbarInfo& info : Toolbars())
        if (!info.switchName.empty())
            toolbar(info.tag)->setVisible(command(Name(info.switchName))->isChecked());
}

void TfEditor::pmToolbarsPopup() {
    // Visibility as set, not as seen: a minimised window hides its toolbars from view.
    for (const ToolbarInfo& info : Toolbars()) {
        const bool shown = !toolbar(info.tag)->isHidden();
        for (const std::string_view name : {info.viewMenuItem, info.popupMenuItem, info.switchName})
            if (QAction* action = name.empty() ? nullptr : command(Name(name)))
                action->setChecked(shown);
    }
}

QMenu* TfEditor::createPopupMenu() {
    // Made afresh for each right-click; the main window frees it once it closes.
    QMenu* menu = toolbarMenu(this, 2);
    menu->setObjectName(QStringLiteral("pmToolbars"));
    return menu;
}

void TfEditor::loadToolbarPositions(const IniFile& ini) {
    std::map<std::string, PlacedToolbar> places;
    for (const ToolbarInfo& info : Toolbars()) {
        PlacedToolbar& placed = places[std::string(info.name)];
        placed.floatingSize = toolbar(info.tag)->sizeHint();
        if (const auto stored = ReadToolbarPosition(ini, info.name))
            placed.position = *stored;
        else
            placed.position = {info.visible, std::string(info.dock), info.row, info.position, 0, 0};
    }
    restoreState(ToolbarStateBlob(places));
    pmToolbarsPopup();
}

void TfEditor::saveToolbarPositions(IniFile& ini) const {
    const std::map<std::string, ToolbarPosition> places = ToolbarPlaces(saveState());
    for (const ToolbarInfo& info : Toolbars()) {
        const auto it = places.find(std::string(info.name));
        if (it != places.end())
            WriteToolbarPosition(ini, info.name, it->second);
    }
}

} // namespace velloran
