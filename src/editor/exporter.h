// Writers that turn a range of editor text and its token numbers into plain text, RTF or HTML.
#pragma once

#include "editor/lineend.h"
#include "editor/stylesheet.h"
#include "platform/encoding.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velloran {

// What a writer reads. `text` is in the editor's own form: every line end is one CR.
struct ExportSource {
    std::string_view text{};
    // One token number per byte of `text`, or empty to draw everything in the default style.
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
};

enum class SaveFormat { Text = 1, Rtf = 2, Html = 4 };

// Each writer appends to `out`. On bad input (token count not matching the text, an
// unknown line end or format, line ends not matching the CRs) they throw
// TCodeMemoException and leave `out` untouched.
void WritePlainText(const ExportSource& source, std::string& out);
void WriteRtf(const ExportSource& source, std::string& out);
void WriteHtml(const ExportSource& source, std::string& out);
void WriteFormat(SaveFormat format, const ExportSource& source, std::string& out);

} // namespace velloran
