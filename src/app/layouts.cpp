// Screen layouts of the three windows and the toolbars' switches, menus and places.
#include "app/datamodule.h"
#include "app/layout.h"
#include "app/mainwindow.h"
#include "app/toolbarstate.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "platform/prompter.h"
#include "project/tfproject.h"
#include "tools/ui/tfhtmlview.h"

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

ScreenArea AreaOf(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

// The screen the stored place lies on, or the primary one when it lies on none.
ScreenArea AvailableAreaAt(int left, int top) {
    const QScreen* screen = QGuiApplication::screenAt(QPoint(left, top));
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? AreaOf(screen->availableGeometry()) : ScreenArea{0, 0, 1024, 768};
}

// Known once the window manager has framed a shown window; until then none.
FrameMargins FrameOf(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

// Stored and restored as the client rectangle, never the frame's place with the client's
// size: the frame is unknown before the window manager has framed the window, and mixing
// the two moves the window by the frame's thickness at every start. A window not yet
// framed borrows the frame of one that is, as the same window manager draws both.
void Apply(QWidget& window, WindowPlacement placement, const QWidget& framed) {
    window.setWindowState(Qt::WindowNoState);
    FrameMargins frame = FrameOf(window);
    if (frame.left == 0 && frame.top == 0 && frame.right == 0 && frame.bottom == 0)
        frame = FrameOf(framed);
    placement = FitToArea(placement, AvailableAreaAt(placement.left, placement.top), frame);
    window.setGeometry(placement.left, placement.top, placement.width, placement.height);
    if (placement.state == kStateMaximized)
        window.setWindowState(Qt::WindowMaximized);
    else if (placement.state == kStateMinimized)
        window.setWindowState(Qt::WindowMinimized);
}

WindowPlacement PlacementOf(const QWidget& window) {
    WindowPlacement placement;
    const QRect client = window.geometry();
    placement.width = client.width();
    placement.height = client.height();
    placement.top = client.y();
    placement.left = client.x();
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
        // An unreadable file leaves the defaults. At start the settings reading has just
        // said why; a layout the user picks says it again.
        if (sender != this)
            m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
    const ScreenSize screen = PrimaryScreenSize();
    Apply(*this, ReadPlacement(ini, LayoutWindow::Main, suffix, screen), *this);
    if (m_project != nullptr) {
        WindowPlacement project = ReadPlacement(ini, LayoutWindow::Project, suffix, screen);
        // With no layout saved yet (a first start), a project opened on the way shows.
        if (!ini.hasKey(LayoutSection(LayoutWindow::Project, suffix), "Visible") &&
            !m_dm.state.projectFileName.empty())
            project.visible = true;
        if (!project.visible)
            m_project->hide();
        Apply(*m_project, project, *this);
        if (project.visible)
            m_project->show();
    }
    const WindowPlacement preview = ReadPlacement(ini, LayoutWindow::Preview, suffix, screen);
    if (preview.visible) {
        // A window made now takes its own place from the same section.
        if (m_preview != nullptr)
            Apply(*m_preview, preview, *this);
        createPreview()->show();
    } else if (m_preview != nullptr)
        m_preview->hide();
    const bool projectShown = m_project != nullptr && m_project->isVisible();
    for (const QString& name : {QStringLiteral("sbproject"), QStringLiteral("ProjectManager1")})
        command(name)->setChecked(projectShown);
}

void TfEditor::saveLayoutTo(IniFile& ini, const QString& suffix) const {
    const std::string slot = suffix.toStdString();
    WritePlacement(ini, LayoutWindow::Main, slot, PlacementOf(*this));
    if (m_project != nullptr)
        WritePlacement(ini, LayoutWindow::Project, slot, PlacementOf(*m_project));
    if (m_preview != nullptr)
        WritePlacement(ini, LayoutWindow::Preview, slot, PlacementOf(*m_preview));
    else
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
        if (const auto stored = ReadToolbarPosition(ini, info.name)) {
            placed.position = *stored;
            if (placed.position.dockedTo == kFloating) {
                // A floating toolbar is a window of its own: kept where it can be reached.
                ToolbarPosition& p = placed.position;
                WindowPlacement place{placed.floatingSize.width(), placed.floatingSize.height(),
                                      p.floatTop, p.floatLeft};
                place = FitToArea(place, AvailableAreaAt(p.floatLeft, p.floatTop), {}, 1);
                p.floatLeft = place.left;
                p.floatTop = place.top;
            }
        } else
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
