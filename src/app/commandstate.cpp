// Enabling rules, status texts and the find step.
#include "app/commandstate.h"

#include "editor/editmodel.h"
#include "editor/searchengine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace velloran {

EditCommandStates EditCommandsFor(const EditorStatus& status) noexcept {
    EditCommandStates states;
    states.cut = status.hasSelection && !status.readOnly;
    states.copy = status.hasSelection;
    states.paste = status.canPaste && !status.readOnly;
    states.indent = states.cut;
    states.undo = status.canUndo;
    states.redo = status.canRedo;
    return states;
}

std::optional<CommandSet> CommandSetSwitch(CommandSet current, bool readOnlyDocument) noexcept {
    const CommandSet wanted = readOnlyDocument ? CommandSet::ReadOnly : CommandSet::Writable;
    if (wanted == current)
        return std::nullopt;
    return wanted;
}

std::string CaretPanelText(std::int64_t line, std::int64_t column) {
    char text[48];
    std::snprintf(text, sizeof text, "%4lld:%4lld", static_cast<long long>(line),
                  static_cast<long long>(column));
    return text;
}

std::string_view ModifiedPanelText(bool modified) noexcept {
    return modified ? "Modified" : "";
}

std::string_view ModePanelText(bool readOnly, bool overwrite) noexcept {
    if (readOnly)
        return "  Read only";
    return overwrite ? "  Overwrite" : "  Insert";
}

std::string EncodingPanelText(Encoding encoding, std::string_view lineEnd) {
    const std::string_view style = lineEnd == "\r\n" ? "CR LF" : lineEnd == "\r" ? "CR" : "LF";
    return std::string(EncodingName(encoding)) + "  " + std::string(style);
}

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

bool FindNext(EditModel& model, std::string_view findText, bool matchCase, bool wholeWord) {
    if (model.hasSelection() && EqualIgnoringCase(model.selText(), findText)) {
        const Position behindStart = model.nextCharPos(model.selectionStart());
        model.setSel(behindStart, behindStart);
    }
    unsigned options = kSearchNow;
    if (matchCase)
        options |= kMatchCase;
    if (wholeWord)
        options |= kWholeWords;
    Position position = -1;
    return model.findText(findText, position, options);
}

std::string NotFoundText(std::string_view findText) {
    return "\"" + std::string(findText) + "\" not found.";
}

} // namespace velloran
