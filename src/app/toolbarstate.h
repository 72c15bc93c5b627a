// Toolbar places to and from the main window. Qt floats a toolbar only when it restores
// a saved state, so the places are applied by writing that state's toolbar section, and
// read back from it, which keeps rows, offsets and floating geometry exact.
#pragma once

#include "app/layout.h"

#include <QByteArray>
#include <QSize>
#include <map>
#include <string>

namespace velloran {

struct PlacedToolbar {
    ToolbarPosition position;
    QSize floatingSize; // used when it floats
};

// A state for QMainWindow::restoreState holding only toolbar places, keyed by the
// toolbars' object names. Unknown dock names fall back to the top dock.
[[nodiscard]] QByteArray ToolbarStateBlob(const std::map<std::string, PlacedToolbar>& toolbars);
// The toolbar places in a state from QMainWindow::saveState; empty when it cannot be read.
[[nodiscard]] std::map<std::string, ToolbarPosition> ToolbarPlaces(const QByteArray& state);

} // namespace velloran
