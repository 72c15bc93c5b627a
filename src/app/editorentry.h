// One open document: its editor, its file name and how its bytes are written back.
#pragma once

#include <string>
#include <string_view>

class QWidget;

namespace velloran {

class Prompter;
class TCodeMemo;

inline constexpr std::string_view kUntitled = "<Untitled>";

// A document in its editor control. The control keeps the file's bytes, encoding and
// line-end style, so an unchanged file is written back byte for byte.
class TEditorEntry {
public:
    TEditorEntry(QWidget* parent, std::string fileName);
    ~TEditorEntry();
    TEditorEntry(const TEditorEntry&) = delete;
    TEditorEntry& operator=(const TEditorEntry&) = delete;

    TCodeMemo* Memo;
    std::string FileName;
    bool Saving = false;

    [[nodiscard]] bool isUntitled() const { return FileName == kUntitled; }
    [[nodiscard]] bool isModified() const;
    // Reads FileName into the editor; throws FileError.
    void load();
    // Writes the document: straight to FileName, or, when untitled, to a name asked
    // for through `prompter`. Returns false when the user declined the name. Throws
    // FileError and leaves the document modified when the write fails.
    bool Save(Prompter& prompter, const std::string& dialogFolder);

private:
    void writeTo(const std::string& name);
};

} // namespace velloran
