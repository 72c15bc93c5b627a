// The names of today's HTML that the earliest tag lists lack: HTML highlights them in tags,
// and CSS takes the element names as type selectors.
#pragma once

#include <string_view>

namespace velloran::lang {

// The tag names the HTML language has always known, in the order it stores them.
// clang-format off
inline constexpr std::string_view kClassicTagNames[] = {
    "a", "address", "applet", "b", "basefont", "big", "blink", "blockquote", "body", "br",
    "caption", "center", "cite", "code", "dd", "dir", "div", "dl", "doctype", "dt", "em", "embed",
    "font", "form", "frame", "frameset", "h", "h1", "h2", "h3", "h4", "h5", "h6", "head", "hr",
    "html", "i", "img", "input", "isindex", "kbd", "li", "link", "mark", "marquee", "menu", "meta",
    "nextid", "nobr", "noframes", "ol", "option", "p", "pre", "samp", "select", "small", "sound",
    "strike", "strong", "sub", "sup", "table", "td", "textarea", "th", "title", "tr", "tt", "u",
    "ul", "var", "wbr"};

// Elements of the current standard (with SVG and MathML roots) beyond the classic list;
// "script" and "style" are tokens of their own, since their contents switch language.
inline constexpr std::string_view kModernTagNames[] = {
    "abbr", "area", "article", "aside", "audio", "base", "bdi", "bdo", "button", "canvas", "col",
    "colgroup", "data", "datalist", "del", "details", "dfn", "dialog", "fieldset", "figcaption",
    "figure", "footer", "header", "hgroup", "iframe", "ins", "label", "legend", "main", "map",
    "math", "meter", "nav", "noscript", "object", "optgroup", "output", "picture", "progress", "q",
    "rp", "rt", "ruby", "s", "search", "section", "slot", "source", "span", "summary", "svg",
    "tbody", "template", "tfoot", "thead", "time", "track", "video", "param"};

// Attributes of the current standard, event handlers included, beyond those the classic
// language knew after a tag name ("align" and "alt" it knew only before one).
inline constexpr std::string_view kModernAttributeNames[] = {
    "accept", "accept-charset", "accesskey", "action", "align", "allow", "allowfullscreen",
    "alt", "async", "autocapitalize", "autocomplete", "autofocus", "autoplay", "bgcolor",
    "blocking", "border", "cellpadding", "cellspacing", "charset", "checked", "cite", "class",
    "color", "cols", "colspan", "content", "contenteditable", "controls", "coords",
    "crossorigin", "data", "datetime", "decoding", "default", "defer", "dir", "dirname",
    "disabled", "download", "draggable", "enctype", "enterkeyhint", "fetchpriority", "for",
    "form", "formaction", "formenctype", "formmethod", "formnovalidate", "formtarget", "headers",
    "hidden", "high", "hreflang", "http-equiv", "id", "inert", "inputmode", "integrity", "is",
    "ismap", "itemid", "itemprop", "itemref", "itemscope", "itemtype", "kind", "label", "lang",
    "language", "list", "loading", "loop", "low", "max", "maxlength", "media", "method", "min",
    "minlength", "multiple", "muted", "nomodule", "nonce", "novalidate", "open", "optimum",
    "pattern", "ping", "placeholder", "playsinline", "popover", "popovertarget",
    "popovertargetaction", "poster", "preload", "readonly", "referrerpolicy", "required",
    "reversed", "role", "rows", "rowspan", "sandbox", "scope", "selected", "shadowrootmode",
    "shape", "size", "sizes", "slot", "span", "spellcheck", "src", "srcdoc", "srclang", "srcset",
    "start", "step", "style", "tabindex", "title", "translate", "type", "usemap", "wrap",
    "onabort", "onblur", "onchange", "onclick", "oncontextmenu", "ondblclick", "onerror",
    "onfocus", "oninput", "oninvalid", "onkeydown", "onkeypress", "onkeyup", "onload",
    "onmousedown", "onmousemove", "onmouseout", "onmouseover", "onmouseup", "onreset",
    "onresize", "onscroll", "onselect", "onsubmit", "onunload", "onwheel"};
// clang-format on

// Attribute families named by a prefix and any suffix.
inline constexpr std::string_view kAttributePrefixes[] = {"data-", "aria-"};

} // namespace velloran::lang
