// Generated inputs of today's web for the highlighting benchmarks: an HTML5 page with style
// and script elements, a style sheet and a script module. The same bytes on every run.
#pragma once

#include <cstddef>
#include <string>

namespace velloran::bench {

[[nodiscard]] std::string Html5Page(std::size_t size);
[[nodiscard]] std::string StyleSheetFile(std::size_t size);
[[nodiscard]] std::string ScriptModule(std::size_t size);
// Markup, style and script pieces in random order: no page, but every state the HTML
// language can reach, met again and again.
[[nodiscard]] std::string TagSoup(std::size_t size);

} // namespace velloran::bench
