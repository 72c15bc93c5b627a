// What the main window's commands and status bar show for the current document, and the
// find step behind Find Again: decided here so that windows only apply them.
#pragma once

#include "platform/encoding.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velloran {

class EditModel;

struct EditorStatus {
    bool hasSelection = false;
    bool readOnly = false;
    bool canPaste = false;
    bool modified = false;
    bool canUndo = false;
    bool canRedo = false;
};

struct EditCommandStates {
    bool cut = false;
    bool copy = false;
    bool paste = false;
    bool indent = false; // Indent and Unindent follow Cut
    bool undo = false;
    bool redo = false;
};
[[nodiscard]] EditCommandStates EditCommandsFor(const EditorStatus& status) noexcept;

// Save, Replace and the buttons of the five tag toolbars switch together between a set
// for writable documents and one for read-only documents, only on a change of kind.
enum class CommandSet { ReadOnly, Writable };
// The set to switch to, or none when the present one fits the document.
[[nodiscard]] std::optional<CommandSet> CommandSetSwitch(CommandSet current,
                                                         bool readOnlyDocument) noexcept;

// Status bar panels: caret "%4d:%4d", "Modified", the editing mode, and the document's
// encoding with its line-end style.
[[nodiscard]] std::string CaretPanelText(std::int64_t line, std::int64_t column);
[[nodiscard]] std::string_view ModifiedPanelText(bool modified) noexcept;
[[nodiscard]] std::string_view ModePanelText(bool readOnly, bool overwrite) noexcept;
[[nodiscard]] std::string EncodingPanelText(Encoding encoding, std::string_view lineEnd);

// One step of Find and Find Again: a selection that is the previous match (compared
// without regard to case) is stepped into, so that the search goes on behind its start;
// a match is selected. Returns false when there is none.
bool FindNext(EditModel& model, std::string_view findText, bool matchCase, bool wholeWord);
[[nodiscard]] std::string NotFoundText(std::string_view findText);

} // namespace velloran
