// The vocabulary of current CSS and the states a style sheet moves through.
#include "editor/languages/cssrules.h"

#include "editor/languages/htmlwords.h"

namespace velloran::lang {

namespace {

// clang-format off
constexpr std::string_view kProperties[] = {
    "accent-color", "align-content", "align-items", "align-self", "all", "animation",
    "animation-composition", "animation-delay", "animation-direction", "animation-duration",
    "animation-fill-mode", "animation-iteration-count", "animation-name", "animation-play-state",
    "animation-timing-function", "appearance", "aspect-ratio", "backdrop-filter",
    "backface-visibility", "background", "background-attachment", "background-blend-mode",
    "background-clip", "background-color", "background-image", "background-origin",
    "background-position", "background-position-x", "background-position-y", "background-repeat",
    "background-size", "block-size", "border", "border-block", "border-block-end",
    "border-block-start", "border-bottom", "border-bottom-color", "border-bottom-left-radius",
    "border-bottom-right-radius", "border-bottom-style", "border-bottom-width", "border-collapse",
    "border-color", "border-image", "border-inline", "border-inline-end", "border-inline-start",
    "border-left", "border-left-color", "border-left-style", "border-left-width", "border-radius",
    "border-right", "border-right-color", "border-right-style", "border-right-width",
    "border-spacing", "border-style", "border-top", "border-top-color", "border-top-left-radius",
    "border-top-right-radius", "border-top-style", "border-top-width", "border-width", "bottom",
    "box-decoration-break", "box-shadow", "box-sizing", "break-after", "break-before",
    "break-inside", "caption-side", "caret-color", "clear", "clip", "clip-path", "color",
    "color-scheme", "column-count", "column-fill", "column-gap", "column-rule", "column-span",
    "column-width", "columns", "contain", "container", "container-name", "container-type",
    "content", "content-visibility", "counter-increment", "counter-reset", "counter-set",
    "cursor", "direction", "display", "empty-cells", "fill", "filter", "flex", "flex-basis",
    "flex-direction", "flex-flow", "flex-grow", "flex-shrink", "flex-wrap", "float", "font",
    "font-display", "font-family", "font-feature-settings", "font-kerning", "font-size",
    "font-size-adjust", "font-stretch", "font-style", "font-variant", "font-variant-numeric",
    "font-variation-settings", "font-weight", "gap", "grid", "grid-area", "grid-auto-columns",
    "grid-auto-flow", "grid-auto-rows", "grid-column", "grid-column-end", "grid-column-start",
    "grid-row", "grid-row-end", "grid-row-start", "grid-template", "grid-template-areas",
    "grid-template-columns", "grid-template-rows", "height", "hyphens", "image-rendering",
    "inline-size", "inset", "inset-block", "inset-inline", "isolation", "justify-content",
    "justify-items", "justify-self", "left", "letter-spacing", "line-break", "line-height",
    "list-style", "list-style-image", "list-style-position", "list-style-type", "margin",
    "margin-block", "margin-block-end", "margin-block-start", "margin-bottom", "margin-inline",
    "margin-inline-end", "margin-inline-start", "margin-left", "margin-right", "margin-top",
    "mask", "mask-image", "max-block-size", "max-height", "max-inline-size", "max-width",
    "min-block-size", "min-height", "min-inline-size", "min-width", "mix-blend-mode",
    "object-fit", "object-position", "offset", "opacity", "order", "orphans", "outline",
    "outline-color", "outline-offset", "outline-style", "outline-width", "overflow",
    "overflow-anchor", "overflow-wrap", "overflow-x", "overflow-y", "overscroll-behavior",
    "padding", "padding-block", "padding-block-end", "padding-block-start", "padding-bottom",
    "padding-inline", "padding-inline-end", "padding-inline-start", "padding-left",
    "padding-right", "padding-top", "page-break-after", "page-break-before", "page-break-inside",
    "perspective", "perspective-origin", "place-content", "place-items", "place-self",
    "pointer-events", "position", "print-color-adjust", "quotes", "resize", "right", "rotate",
    "row-gap", "scale", "scroll-behavior", "scroll-margin", "scroll-padding", "scroll-snap-align",
    "scroll-snap-type", "scrollbar-color", "scrollbar-gutter", "scrollbar-width",
    "shape-outside", "src", "stroke", "stroke-width", "tab-size", "table-layout", "text-align",
    "text-align-last", "text-decoration", "text-decoration-color", "text-decoration-line",
    "text-decoration-style", "text-decoration-thickness", "text-indent", "text-overflow",
    "text-rendering", "text-shadow", "text-transform", "text-underline-offset", "text-wrap",
    "top", "touch-action", "transform", "transform-origin", "transform-style", "transition",
    "transition-behavior", "transition-delay", "transition-duration", "transition-property",
    "transition-timing-function", "translate", "unicode-bidi", "unicode-range", "user-select",
    "vertical-align", "view-transition-name", "visibility", "white-space", "widows", "width",
    "will-change", "word-break", "word-spacing", "word-wrap", "writing-mode", "z-index", "zoom"};

constexpr std::string_view kValueWords[] = {
    "absolute", "alternate", "auto", "baseline", "block", "bold", "bolder", "border-box",
    "both", "bottom", "break-word", "capitalize", "center", "circle", "collapse", "column",
    "column-reverse", "contain", "content-box", "contents", "cover", "cursive", "dashed",
    "decimal", "default", "disc", "dotted", "double", "ease", "ease-in", "ease-in-out",
    "ease-out", "ellipsis", "end", "fantasy", "fixed", "flex", "flex-end", "flex-start",
    "forwards", "grid", "groove", "hidden", "horizontal", "infinite", "inherit", "initial",
    "inline", "inline-block", "inline-flex", "inline-grid", "inset", "italic", "justify",
    "landscape", "large", "larger", "left", "lighter", "line-through", "linear", "list-item",
    "lowercase", "ltr", "medium", "middle", "monospace", "no-repeat", "none", "normal",
    "nowrap", "oblique", "outset", "overline", "padding-box", "pointer", "portrait", "pre",
    "pre-line", "pre-wrap", "print", "relative", "repeat", "repeat-x", "repeat-y", "revert",
    "revert-layer", "ridge", "right", "round", "row", "row-reverse", "rtl", "sans-serif",
    "screen", "scroll", "serif", "small", "smaller", "solid", "space", "space-around",
    "space-between", "space-evenly", "square", "start", "static", "sticky", "stretch",
    "system-ui", "table", "table-cell", "table-row", "text", "thick", "thin", "top",
    "underline", "unset", "uppercase", "vertical", "visible", "wrap", "x-large", "x-small",
    "xx-large", "xx-small", "and", "not", "only", "or", "all"};

constexpr std::string_view kNamedColors[] = {
    "aliceblue", "antiquewhite", "aqua", "aquamarine", "azure", "beige", "bisque", "black",
    "blanchedalmond", "blue", "blueviolet", "brown", "burlywood", "cadetblue", "chartreuse",
    "chocolate", "coral", "cornflowerblue", "cornsilk", "crimson", "currentcolor", "cyan",
    "darkblue", "darkcyan", "darkgoldenrod", "darkgray", "darkgreen", "darkgrey", "darkkhaki",
    "darkmagenta", "darkolivegreen", "darkorange", "darkorchid", "darkred", "darksalmon",
    "darkseagreen", "darkslateblue", "darkslategray", "darkslategrey", "darkturquoise",
    "darkviolet", "deeppink", "deepskyblue", "dimgray", "dimgrey", "dodgerblue", "firebrick",
    "floralwhite", "forestgreen", "fuchsia", "gainsboro", "ghostwhite", "gold", "goldenrod",
    "gray", "green", "greenyellow", "grey", "honeydew", "hotpink", "indianred", "indigo",
    "ivory", "khaki", "lavender", "lavenderblush", "lawngreen", "lemonchiffon", "lightblue",
    "lightcoral", "lightcyan", "lightgoldenrodyellow", "lightgray", "lightgreen", "lightgrey",
    "lightpink", "lightsalmon", "lightseagreen", "lightskyblue", "lightslategray",
    "lightslategrey", "lightsteelblue", "lightyellow", "lime", "limegreen", "linen", "magenta",
    "maroon", "mediumaquamarine", "mediumblue", "mediumorchid", "mediumpurple",
    "mediumseagreen", "mediumslateblue", "mediumspringgreen", "mediumturquoise",
    "mediumvioletred", "midnightblue", "mintcream", "mistyrose", "moccasin", "navajowhite",
    "navy", "oldlace", "olive", "olivedrab", "orange", "orangered", "orchid", "palegoldenrod",
    "palegreen", "paleturquoise", "palevioletred", "papayawhip", "peachpuff", "peru", "pink",
    "plum", "powderblue", "purple", "rebeccapurple", "red", "rosybrown", "royalblue",
    "saddlebrown", "salmon", "sandybrown", "seagreen", "seashell", "sienna", "silver", "skyblue",
    "slateblue", "slategray", "slategrey", "snow", "springgreen", "steelblue", "tan", "teal",
    "thistle", "tomato", "transparent", "turquoise", "violet", "wheat", "white", "whitesmoke",
    "yellow", "yellowgreen"};

constexpr std::string_view kFunctions[] = {
    "attr", "blur", "brightness", "calc", "clamp", "color", "color-mix", "conic-gradient",
    "contrast", "counter", "counters", "cubic-bezier", "drop-shadow", "env", "fit-content",
    "format", "grayscale", "hsl", "hsla", "hue-rotate", "hwb", "image-set", "invert", "lab",
    "lch", "light-dark", "linear-gradient", "local", "matrix", "matrix3d", "max", "min", "minmax",
    "oklab", "oklch", "opacity", "perspective", "radial-gradient",
    "repeating-conic-gradient", "repeating-linear-gradient", "repeating-radial-gradient", "rgb",
    "rgba", "rotate", "rotate3d", "rotatex", "rotatey", "rotatez", "saturate", "scale",
    "scale3d", "scalex", "scaley", "sepia", "skew", "skewx", "skewy", "steps", "translate",
    "translate3d", "translatex", "translatey", "translatez", "var"};

// At-rules whose prelude runs to a "{" opening rules, or to a ";".
constexpr std::string_view kBlockAtRules[] = {
    "@charset", "@container", "@document", "@import", "@keyframes", "@layer", "@media",
    "@namespace", "@scope", "@starting-style", "@supports", "@-webkit-keyframes"};

// At-rules whose block holds declarations.
constexpr std::string_view kDeclarationAtRules[] = {
    "@counter-style", "@font-face", "@font-feature-values", "@font-palette-values", "@page",
    "@position-try", "@property", "@view-transition"};
// clang-format on

void addSelectorKeywords(ParserTables& t, const CssStates& s, const CssTokens& k) {
    const CharSet selectors = s.selectors();
    addKeywords(t, k.element, selectors, cssNameEnd(), kClassicTagNames);
    addKeywords(t, k.element, selectors, cssNameEnd(), kModernTagNames);
    addKeywords(t, k.element, selectors, cssNameEnd(), {"script", "style"});
    addKeywords(t, k.element, selectors, anyChar(), {"*"});
    addKeywords(t, k.classOrId, selectors, anyChar(), {".", "#"});
    addKeywords(t, k.pseudo, selectors, anyChar(), {":", "::"});
    addKeywords(t, k.attribute, selectors, anyChar(), {"["});
    addKeywords(t, k.blockAtRule, selectors, cssNameEnd(), kBlockAtRules);
    addKeywords(t, k.atRule, selectors, cssNameEnd(), kDeclarationAtRules);
    addKeywords(t, k.atRule, selectors, anyChar(), {"@"});
    defineToken(t, k.classOrId, continuesOver(cssNameChars()));
    defineToken(t, k.pseudo, continuesOver(cssNameChars()));
    defineToken(t, k.atRule, continuesOver(cssNameChars()));
    defineToken(t, k.attribute, runsThrough("]"));
    setTransition(t, {k.element, k.classOrId, k.pseudo, k.attribute, k.atRule}, validIn(selectors));
    setTransition(t, {k.blockAtRule},
                  validIn(selectors).entering({s.atPrelude}).leaving(selectors));
}

void addValueKeywords(ParserTables& t, const CssStates& s, const CssTokens& k) {
    const CharSet values = s.values();
    addKeywords(t, k.property, s.names(), cssNameEnd(), kProperties);
    addKeywords(t, k.customProperty, s.names() | values, anyChar(), {"--"});
    addKeywords(t, k.valueWord, values, cssNameEnd(), kValueWords);
    addKeywords(t, k.color, values, cssNameEnd(), kNamedColors);
    addKeywords(t, k.color, values, anyChar(), {"#"});
    addKeywords(t, k.function, values, chars("("), kFunctions);
    addKeywords(t, k.number, values, anyChar(),
                {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "."});
    addKeywords(t, k.number, values, digits() | chars("."), {"-", "+"});
    addKeywords(t, k.important, values, cssNameEnd(), {"!important"});
    defineToken(t, k.customProperty, continuesOver(cssNameChars()));
    defineToken(t, k.color, continuesOver(hexDigits()));
    defineToken(t, k.number, continuesOver(digits() | letters() | chars(".%")));
    setTransition(t, {k.property, k.customProperty}, validIn(s.names() | values));
    setTransition(t, {k.valueWord, k.color, k.function, k.important}, validIn(values));
    setTransition(t, {k.number}, validIn(s.all()));
}

void addPunctuation(ParserTables& t, const CssStates& s, const CssTokens& k) {
    addKeywords(t, k.openRule, {s.rules}, anyChar(), {"{"});
    addKeywords(t, k.openAtBlock, {s.atPrelude}, anyChar(), {"{"});
    addKeywords(t, k.openNestedRule, {s.atBlock}, anyChar(), {"{"});
    const CharSet top = {s.rules, s.atPrelude, s.declarations, s.value, s.atBlock};
    addKeywords(t, k.closeTop, top, anyChar(), {"}"});
    addKeywords(t, k.closeNested, {s.nestedDeclarations, s.nestedValue}, anyChar(), {"}"});
    addKeywords(t, k.colon, {s.declarations}, anyChar(), {":"});
    addKeywords(t, k.nestedColon, {s.nestedDeclarations}, anyChar(), {":"});
    addKeywords(t, k.semicolon, {s.declarations, s.value}, anyChar(), {";"});
    addKeywords(t, k.nestedSemicolon, {s.nestedDeclarations, s.nestedValue}, anyChar(), {";"});
    addKeywords(t, k.atSemicolon, {s.atPrelude}, anyChar(), {";"});

    setTransition(t, {k.openRule},
                  validIn({s.rules}).entering({s.declarations}).leaving({s.rules}));
    setTransition(t, {k.openAtBlock},
                  validIn({s.atPrelude}).entering({s.atBlock}).leaving({s.atPrelude}));
    setTransition(t, {k.openNestedRule},
                  validIn({s.atBlock}).entering({s.nestedDeclarations}).leaving({s.atBlock}));
    // Entering comes before leaving, so the state entered is not among those left.
    setTransition(t, {k.closeTop},
                  validIn(top).entering({s.rules}).leaving(top - CharSet{s.rules}));
    const CharSet nested = {s.nestedDeclarations, s.nestedValue};
    setTransition(t, {k.closeNested}, validIn(nested).entering({s.atBlock}).leaving(nested));
    setTransition(t, {k.colon},
                  validIn({s.declarations}).entering({s.value}).leaving({s.declarations}));
    setTransition(
        t, {k.nestedColon},
        validIn({s.nestedDeclarations}).entering({s.nestedValue}).leaving({s.nestedDeclarations}));
    setTransition(t, {k.semicolon},
                  validIn({s.declarations, s.value}).entering({s.declarations}).leaving({s.value}));
    setTransition(t, {k.nestedSemicolon},
                  validIn(nested).entering({s.nestedDeclarations}).leaving({s.nestedValue}));
    setTransition(t, {k.atSemicolon},
                  validIn({s.atPrelude}).entering({s.rules}).leaving({s.atPrelude}));
}

} // namespace

CharSet CssStates::all() const {
    return {rules, atPrelude, atBlock, declarations, value, nestedDeclarations, nestedValue};
}

CharSet cssNameChars() {
    return letters() | digits() | chars("-_") | charRange(0x80, 0xFE);
}

CharSet cssNameEnd() {
    return cssNameChars().complement();
}

void addCssRules(ParserTables& t, const CssStates& s, const CssTokens& k) {
    const CharSet all = s.all();
    addKeywords(t, k.comment, all, anyChar(), {"/*"});
    addKeywords(t, k.string, all, anyChar(), {"\"", "'"});
    addKeywords(t, k.url, all, anyChar(), {"url("});
    defineToken(t, k.comment, runsThrough("*/"));
    defineToken(t, k.string, continuesWithHandler(kStdCChar));
    defineToken(t, k.url, runsThrough(")"));
    setTransition(t, {k.comment, k.string, k.url}, validIn(all));
    addSelectorKeywords(t, s, k);
    addValueKeywords(t, s, k);
    addPunctuation(t, s, k);
}

} // namespace velloran::lang
