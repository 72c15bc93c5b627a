// Tag insertion on the editing model.
#include "tags/tagcommands.h"

#include "editor/editmodel.h"
#include "tags/ghtmlfun.h"

#include <algorithm>
#include <array>

namespace velloran {

namespace {

std::string LineTextAt(const EditModel& model, std::int64_t line) {
    return line >= 0 && line < model.lineCount() ? model.getLine(line) : std::string();
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && FindNoCase(a, b) == std::optional<std::size_t>(0);
}

} // namespace

void WrapSelection(EditModel& model, std::string_view open, std::string_view close,
                   bool insertingOnEnter) {
    const Position start = model.selectionStart();
    const bool hadSelection = model.hasSelection();
    std::string text(open);
    text += model.selText();
    text += close;
    model.replaceSel(text);
    if (hadSelection && !insertingOnEnter)
        model.setSel(start, model.caret());
}

std::string_view ParagraphTag(int kind) noexcept {
    static constexpr std::array<std::string_view, 4> kTags = {"<P>", "<P ALIGN=CENTER>",
                                                              "<P ALIGN=RIGHT>", "<BR>"};
    return kTags[static_cast<std::size_t>(std::clamp(kind, 1, 4) - 1)];
}

void InsertParagraphTag(EditModel& model, int kind, bool insertingOnEnter) {
    const std::string_view tag = ParagraphTag(kind);
    const std::int64_t line = model.store().lineOf(model.caret());
    std::string text(tag);
    if (EndsWith(LineTextAt(model, line), tag))
        text = "&nbsp;\r\n" + text;
    else if (line > 0 && EndsWith(LineTextAt(model, line - 1), tag))
        text = "&nbsp;" + text;
    WrapSelection(model, text, {}, insertingOnEnter);
}

bool ToggleFontTag(EditModel& model, std::string_view open, std::string_view close, bool down) {
    if (model.hasSelection()) {
        WrapSelection(model, open, close);
        return false;
    }
    model.replaceSel(down ? open : close);
    return down;
}

void TypeEnterKeyTag(EditModel& model, const EnterKeyMode& mode) {
    if (mode.list)
        WrapSelection(model, {}, "<LI>", true);
    else if (mode.paragraph)
        InsertParagraphTag(model, mode.alignment, true);
    else if (mode.lineBreak)
        InsertParagraphTag(model, 4, true);
}

bool SelectEnclosingTag(EditModel& model, std::string_view open, std::string_view close) {
    if (model.hasSelection()) {
        const std::string selected = model.selText();
        return selected.starts_with(open) && selected.size() >= close.size() &&
               EqualIgnoringCase(std::string_view(selected).substr(selected.size() - close.size()),
                                 close);
    }
    const Position caret = model.caret();
    const std::string text = model.store().text(0, model.length());
    // The last opening at or before the caret, then the first closing after it.
    std::optional<std::size_t> start = FindNoCase(text, open);
    if (!start || static_cast<Position>(*start) > caret)
        return false;
    while (const auto next = FindNoCase(text, open, *start + 1)) {
        if (static_cast<Position>(*next) >= caret)
            break;
        start = next;
    }
    const std::optional<std::size_t> end = FindNoCase(text, close, *start + 1);
    if (!end || static_cast<Position>(*end) < caret)
        return false;
    model.setSel(static_cast<Position>(*start), static_cast<Position>(*end + close.size()));
    return true;
}

} // namespace velloran
