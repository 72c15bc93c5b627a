// The editor commands that write HTML into a document: wrapping the selection in a
// pair of tags, the paragraph and line-break tags the Enter key types, the font
// toggles, and finding the element the caret stands in.
#pragma once

#include <string>
#include <string_view>

namespace velloran {

class EditModel;

// Replaces the selection with open + selected text + close. A selection that the Enter
// key did not make comes back selected whole; otherwise the caret ends after the text.
void WrapSelection(EditModel& model, std::string_view open, std::string_view close,
                   bool insertingOnEnter = false);

// "<P>", "<P ALIGN=CENTER>", "<P ALIGN=RIGHT>" or "<BR>" for kinds 1 to 4.
[[nodiscard]] std::string_view ParagraphTag(int kind) noexcept;
// Puts the kind's tag before the selection. A tag that would follow the same tag gets
// "&nbsp;" first, so that browsers keep the empty paragraph.
void InsertParagraphTag(EditModel& model, int kind, bool insertingOnEnter = false);

// A font toggle button that has just changed to `down`. With a selection the pair wraps
// it and the button goes up; otherwise the open or close text is typed. Returns the
// button's state afterwards.
bool ToggleFontTag(EditModel& model, std::string_view open, std::string_view close, bool down);

// Which tag the Enter key types at the start of a new line.
struct EnterKeyMode {
    bool paragraph = false;
    int alignment = 1; // 1 left, 2 centre, 3 right
    bool lineBreak = false;
    bool list = false;
};
// Called after the editor has broken the line; with no mode it does nothing.
void TypeEnterKeyTag(EditModel& model, const EnterKeyMode& mode);

// Whether the selection, or else the element around the caret, is an `open`...`close`
// element; the latter is then selected. The caret stays put when there is none.
bool SelectEnclosingTag(EditModel& model, std::string_view open, std::string_view close);

} // namespace velloran
