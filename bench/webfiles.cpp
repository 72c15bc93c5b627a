// Each file repeats a section of typical hand-written markup, style or script with varying
// names and numbers, drawn from a fixed-seed generator.
#include "webfiles.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace velloran::bench {

namespace {

class Draw {
public:
    std::uint32_t below(std::uint32_t n) {
        // xorshift32: enough for varied text, and the same on every machine.
        m_x ^= m_x << 13;
        m_x ^= m_x >> 17;
        m_x ^= m_x << 5;
        return m_x % n;
    }
    template <std::size_t N>
    std::string_view pick(const std::array<std::string_view, N>& from) {
        return from[below(N)];
    }
    std::string number() { return std::to_string(below(2000)); }

private:
    std::uint32_t m_x = 2463534242u;
};

constexpr std::array<std::string_view, 16> kWords = {
    "alpha",   "copper", "bracket", "valve",  "spring", "lever",    "panel",   "socket",
    "bearing", "pulley", "flange",  "gasket", "rivet",  "sprocket", "harbour", "meadow"};
constexpr std::array<std::string_view, 8> kColours = {
    "#fff",    "#1a2b3c", "rebeccapurple",       "rgb(12 34 56 / 50%)",
    "#c0ffee", "navy",    "hsl(210deg 40% 30%)", "currentcolor"};
constexpr std::array<std::string_view, 8> kUnits = {"px", "rem", "em", "%", "vh", "ch", "fr", "ms"};

std::string words(Draw& d, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            out += ' ';
        out += d.pick(kWords);
    }
    return out;
}

void styleRule(Draw& d, std::string& out) {
    const std::string name(d.pick(kWords));
    bool inMedia = false;
    switch (d.below(4)) {
    case 0:
        out += "." + name + "-card > h2::first-line, #" + name + ":hover {\n";
        break;
    case 1:
        out += "nav ul li a[href^=\"https\"]:not(.active) {\n";
        break;
    case 2:
        out += "@media (min-width: " + d.number() +
               "px) and (prefers-color-scheme: dark) {\n"
               "  ." +
               name + " {\n";
        inMedia = true;
        break;
    default:
        out += ":root {\n  --" + name + "-gap: " + d.number() + "px;\n";
        break;
    }
    out += "  display: grid;\n  grid-template-columns: repeat(3, 1fr);\n";
    out += "  margin: " + d.number() + std::string(d.pick(kUnits)) + " auto;\n";
    out += "  color: " + std::string(d.pick(kColours)) + ";\n";
    out += "  background: url(\"img/" + name + ".webp\") no-repeat center / cover;\n";
    out += "  font: 400 1.125rem/1.5 \"Inter\", system-ui, sans-serif;\n";
    out += "  transition: opacity " + d.number() + "ms ease-in-out !important;\n";
    out += "  padding-inline: var(--" + name + "-gap, 1rem); /* " + words(d, 4) + " */\n";
    out += "}\n";
    if (inMedia)
        out += "}\n";
    out += '\n';
}

void scriptBlock(Draw& d, std::string& out) {
    const std::string name(d.pick(kWords));
    const std::string n = d.number();
    switch (d.below(4)) {
    case 0:
        out += "export class " + name +
               "Widget extends HTMLElement {\n"
               "  static observed = ['" +
               name +
               "', \"size\"];\n"
               "  #count = 0;\n"
               "  constructor() {\n    super();\n    this.attachShadow({ mode: 'open' });\n  }\n"
               "  async connectedCallback() {\n"
               "    const data = await fetch(`/api/" +
               name + "/${this.id}?n=" + n +
               "`);\n"
               "    this.#count += data?.items?.length ?? 0;\n  }\n}\n";
        break;
    case 1:
        out += "const " + name + "Pattern = /^[a-z][\\w-]*\\/" + n +
               "$/giu;\n"
               "let total = 1_000_000n + " +
               n + "n, ratio = 0x" + n +
               " / 3.5e-2;\n"
               "for (const [key, value] of Object.entries(settings)) {\n"
               "  if (" +
               name + "Pattern.test(key) && value !== null) total += BigInt(value);\n}\n";
        break;
    case 2:
        out += "// " + words(d, 6) +
               "\n"
               "export const " +
               name + " = (items, limit = " + n +
               ") =>\n"
               "  items.filter((item) => item.size > limit).map(({ id, label }) => `${id}: "
               "${label}`);\n";
        break;
    default:
        out += "/* " + words(d, 5) + "\n * " + words(d, 7) +
               "\n */\n"
               "function* " +
               name +
               "Range(from, to) {\n"
               "  for (let i = from; i < to; i++) yield i * " +
               n +
               ";\n}\n"
               "import { " +
               name + " } from './" + name + ".mjs';\n";
        break;
    }
    out += '\n';
}

void pageSection(Draw& d, std::string& out) {
    const std::string name(d.pick(kWords));
    const std::string n = d.number();
    out += "<section id=\"" + name + "-" + n + "\" class=\"card " + name + "\" data-index=\"" + n +
           "\" aria-labelledby=\"h-" + n +
           "\">\n"
           "  <h2 id=\"h-" +
           n + "\">" + words(d, 3) +
           "</h2>\n"
           "  <p>" +
           words(d, 12) + " &mdash; <a href=\"https://example.com/" + name + "/" + n +
           "\" target=\"_blank\" rel=\"noopener\">" + words(d, 2) + "</a> &amp; " + words(d, 8) +
           ".</p>\n"
           "  <figure>\n    <picture><source srcset=\"img/" +
           name +
           ".avif\" type=\"image/avif\">"
           "<img src=\"img/" +
           name + ".jpg\" alt=\"" + words(d, 3) + "\" loading=\"lazy\" width=\"" + n +
           "\" height=\"480\"></picture>\n"
           "    <figcaption>" +
           words(d, 5) +
           "</figcaption>\n  </figure>\n"
           "  <!-- " +
           words(d, 4) +
           " -->\n"
           "  <form action=\"/order\" method=\"post\"><label for=\"q" +
           n + "\">" + words(d, 1) + "</label> <input type=\"number\" id=\"q" + n +
           "\" name=\"qty\" min=\"1\" max=\"" + n +
           "\" required> <button type=\"submit\" data-action=\"order\">Order</button></form>\n"
           "  <ul>\n";
    for (int i = 0; i < 4; ++i)
        out += "    <li><time datetime=\"2026-12-0" + std::to_string(i + 1) + "\">" + words(d, 2) +
               "</time> " + words(d, 6) + "</li>\n";
    out += "  </ul>\n</section>\n";
    if (d.below(8) == 0) {
        out += "<style>\n";
        styleRule(d, out);
        out += "</style>\n";
    }
    if (d.below(8) == 0) {
        out += "<script type=\"module\">\n";
        scriptBlock(d, out);
        out += "</script>\n";
    }
}

} // namespace

std::string Html5Page(std::size_t size) {
    Draw d;
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>Parts catalogue</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n"
        "<style>\n";
    styleRule(d, out);
    out += "</style>\n</head>\n<body>\n<header><nav><a href=\"/\">Home</a> <a href=\"/parts\">"
           "Parts</a></nav></header>\n<main>\n";
    while (out.size() + 200 < size)
        pageSection(d, out);
    out += "</main>\n<footer><small>&copy; 2026</small></footer>\n</body>\n</html>\n";
    return out;
}

std::string StyleSheetFile(std::size_t size) {
    Draw d;
    std::string out = "@import url(\"reset.css\") layer(base);\n@layer base, components;\n\n";
    while (out.size() < size)
        styleRule(d, out);
    return out;
}

std::string ScriptModule(std::size_t size) {
    Draw d;
    std::string out = "'use strict';\nimport { settings } from './settings.mjs';\n\n";
    while (out.size() < size)
        scriptBlock(d, out);
    return out;
}

std::string TagSoup(std::size_t size) {
    // Pieces that open and close elements, literals, comments and rules in any order, so
    // that the parser meets every set of states it can reach, over and over.
    static constexpr std::array<std::string_view, 50> kPieces = {
        "<script>",   "</script>",  "<style>", "</style>", "`",     "${", "}",       "/",
        "/[",         "]",          "'",       "\"",       "{",     "(",  ")",       "<!--",
        "-->",        "/*",         "*/",      "@media",   "a",     " ",  "\n",      ":",
        ";",          "<a href=",   ">",       "<",        "url(",  "x",  "=",       "//",
        "1",          "&amp;",      "<!",      "<?",       "?>",    "#",  ".",       "@import",
        "!important", "[",          "--x",     "var(",     "regex", "=>", "<title>", "</title>",
        "<textarea>", "</textarea>"};
    Draw d;
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size)
        out += d.pick(kPieces);
    return out;
}

} // namespace velloran::bench
