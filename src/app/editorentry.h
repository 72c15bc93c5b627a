// One open document: its editor, its file name and how its bytes are written back.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class QWidget;

namespace velloran {

class Prompter;
class TCodeMemo;
class TFileNotify;

inline constexpr std::string_view kUntitled = "<Untitled>";

// A document in its editor control. The control keeps the file's bytes, encoding and
// line-end style, so an unchanged file is written back byte for byte.
class TEditorEntry {
public:
    // Loads the file unless untitled (throws FileError) and watches it for changes made
    // by other programs; `prompter` asks the reload question.
    TEditorEntry(QWidget* parent, std::string fileName, Prompter& prompter);
    ~TEditorEntry();
    TEditorEntry(const TEditorEntry&) = delete;
    TEditorEntry& operator=(const TEditorEntry&) = delete;

    TCodeMemo* Memo;
    std::string FileName;
    // Without a watcher (the folder could not be watched) the document simply has no
    // change detection.
    std::unique_ptr<TFileNotify> Watcher;
    bool Saving = false;

    [[nodiscard]] bool isUntitled() const { return FileName == kUntitled; }
    [[nodiscard]] bool isModified() const;
    // Reads FileName into the editor and takes the watcher's snapshot; throws FileError.
    void load();
    // Another program changed or removed the file: offers to read it again.
    void ReloadPrompt();
    // Writes the document: straight to FileName, or, when untitled, to a name asked
    // for through `prompter`. Returns false when the user declined the name. Throws
    // FileError and leaves the document modified when the write fails.
    bool Save(Prompter& prompter, const std::string& dialogFolder);
    // Writes the document to `name`, which becomes its name only once the write has
    // succeeded: a failed Save As leaves the document as it was. Throws FileError.
    void SaveAs(const std::string& name);

private:
    void writeTo(const std::string& name);
    void watch(const std::string& name);

    Prompter& m_prompter;
};

} // namespace velloran
