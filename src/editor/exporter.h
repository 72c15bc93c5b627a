// Writers that turn a range of editor text and its token numbers into plain text, RTF or HTML.
#pragma once

#include "editor/lineend.h"
#include "editor/stylesheet.h"
#include "platform/encoding.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace velloran {

// Fills out[0, count) with the token numbers of text [pos, pos + count). A writer asks
// in order of position, and from 0 again when it goes over the text a second time.
using TokenReader = std::function<void(std::size_t pos, std::size_t count, std::uint8_t* out)>;

// What a writer reads. `text` is in the editor's own form: every line end is one CR.
struct ExportSource {
    std::string_view text{};
    // One token number per byte of `text`, or empty (and no `readTokens`) to draw
    // everything in the default style.
    std::span<const std::uint8_t> tokens{};
    const StyleSheet& sheet;
    Encoding encoding = Encoding::Utf8;
    // Title, date and the sheet's font name are UTF-8, whatever the document's encoding.
    std::string title{};
    std::string date{};
    // Plain text only: "\r\n", "\n", "\r" or "\n\r" for every CR, unless `lineEnds`
    // gives each CR its own, in order.
    std::string_view lineEnd = "\r\n";
    std::span<const LineEnd> lineEnds{};
    // Token numbers made as the writer goes, instead of `tokens`: a large text then
    // never needs a byte per character for them.
    TokenReader readTokens{};
};

// Where a streaming writer's output goes, a piece of some tens of kilobytes at a time.
class ExportSink {
public:
    virtual ~ExportSink() = default;
    // Throws when the bytes cannot be taken; the writer stops there.
    virtual void write(std::string_view bytes) = 0;
};

enum class SaveFormat { Text = 1, Rtf = 2, Html = 4 };

// Each writer appends to `out`. On bad input (token count not matching the text, an
// unknown line end or format, line ends not matching the CRs) they throw
// TCodeMemoException and leave `out` untouched.
void WritePlainText(const ExportSource& source, std::string& out);
void WriteRtf(const ExportSource& source, std::string& out);
void WriteHtml(const ExportSource& source, std::string& out);
void WriteFormat(SaveFormat format, const ExportSource& source, std::string& out);

// The same output handed to `sink` as it is made. Bad input is found before the first
// byte goes out; an exception from the sink ends the writing where it stands.
void WriteFormat(SaveFormat format, const ExportSource& source, ExportSink& sink);

} // namespace velloran
