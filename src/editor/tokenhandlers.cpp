// The built-in token handlers: identifiers, numbers, strings, web and mail addresses.
#include "editor/codememoparser.h"

namespace velloran {

namespace {

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}
bool isLetter(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isIdentifierChar(int c) {
    return isLetter(c) || isDigit(c) || c == '_';
}
bool isUrlChar(int c) {
    if (isLetter(c) || isDigit(c))
        return true;
    switch (c) {
    case '#':
    case '&':
    case '-':
    case '.':
    case '/':
    case ':':
    case '=':
    case '?':
    case '@':
    case '\\':
    case '_':
    case '|':
    case '~':
        return true;
    default:
        return false;
    }
}
bool isMailChar(int c) {
    return isLetter(c) || isDigit(c) || c == '-' || c == '.' || c == '@' || c == '~';
}

std::size_t skipDigits(TEdStream& s) {
    std::size_t count = 0;
    for (; isDigit(s.current()) && !s.atEnd(); ++count)
        s.advance();
    return count;
}

// One character of a Pascal string body: a quote only when doubled, never CR.
bool pascalChar(TEdStream& s) {
    const int c = s.current();
    if (s.atEnd() || c == '\r')
        return false;
    if (c == '\'') {
        if (s.charAt(s.position() + 1) != '\'')
            return false;
        s.advance();
    }
    s.advance();
    return true;
}

bool webChars(TEdStream& s) {
    const std::size_t start = s.position();
    while (!s.atEnd() && isUrlChar(s.current()))
        s.advance();
    if (s.position() > start && s.charAt(s.position() - 1) == '.')
        s.back();
    return s.position() > start;
}

bool originalChars(TEdStream& s, std::size_t tokenStart) {
    const bool startsLine =
        tokenStart == 0 || s.charAt(tokenStart - 1) == '\r' || s.charAt(tokenStart) == '\r';
    if (!startsLine)
        return false;
    while (!s.atEnd() && s.current() != '\r')
        s.advance();
    return true;
}

bool identifier(TEdStream& s) {
    if (s.atEnd() || !(isLetter(s.current()) || s.current() == '_'))
        return false;
    while (!s.atEnd() && isIdentifierChar(s.current()))
        s.advance();
    return true;
}

bool numberOrFloat(TEdStream& s) {
    std::size_t digits = skipDigits(s);
    if (s.current() == '.' && !s.atEnd()) {
        s.advance();
        digits += skipDigits(s);
    }
    if (digits == 0)
        return false;
    const int e = s.current();
    if ((e == 'e' || e == 'E') && !s.atEnd()) {
        const std::size_t mark = s.position();
        s.advance();
        if (s.current() == '+' || s.current() == '-')
            s.advance();
        if (skipDigits(s) == 0)
            s.seek(mark);
    }
    return true;
}

// Strings: from the start of a token the opening quote is read here; as the body of a
// token whose opening quote was already read, the closing quote matches that one.
bool openQuote(TEdStream& s, std::size_t tokenStart, int natural, int& quote) {
    if (s.position() > tokenStart) {
        quote = s.charAt(tokenStart);
        return true;
    }
    if (s.atEnd() || s.current() != natural)
        return false;
    quote = natural;
    s.advance();
    return true;
}

bool pascalString(TEdStream& s, std::size_t tokenStart) {
    int quote = 0;
    if (!openQuote(s, tokenStart, '\'', quote))
        return false;
    while (!s.atEnd() && s.current() != '\r') {
        if (s.current() == quote) {
            s.advance();
            if (s.current() != quote || s.atEnd())
                return true;
        }
        s.advance();
    }
    return true;
}

bool escapedString(TEdStream& s, std::size_t tokenStart, int natural) {
    int quote = 0;
    if (!openQuote(s, tokenStart, natural, quote))
        return false;
    while (!s.atEnd() && s.current() != '\r') {
        const int c = s.current();
        s.advance();
        if (c == quote)
            return true;
        if (c == '\\' && !s.atEnd() && s.current() != '\r')
            s.advance();
    }
    return true;
}

bool htmlString(TEdStream& s, std::size_t tokenStart) {
    int quote = 0;
    if (!openQuote(s, tokenStart, '"', quote))
        return false;
    while (!s.atEnd()) {
        const int c = s.current();
        s.advance();
        if (c == quote)
            break;
    }
    return true;
}

bool mailAddress(TEdStream& s) {
    const std::size_t start = s.position();
    bool at = false;
    while (!s.atEnd() && isMailChar(s.current())) {
        at = at || s.current() == '@';
        s.advance();
    }
    if (!at) {
        s.seek(start);
        return false;
    }
    if (s.charAt(s.position() - 1) == '.')
        s.back();
    return true;
}

bool dispatch(int id, TEdStream& s, std::size_t tokenStart) {
    switch (id) {
    case kPascalChar:
        return pascalChar(s);
    case kWebChar:
        return webChars(s);
    case kOriginalChar:
        return originalChars(s, tokenStart);
    case kStdIdentifier:
        return identifier(s);
    case kStdNumberOrFp:
        return numberOrFloat(s);
    case kStdPascalString:
        return pascalString(s, tokenStart);
    case kStdCString:
        return escapedString(s, tokenStart, '"');
    case kStdCChar:
        return escapedString(s, tokenStart, '\'');
    case kStdCNumberOrFpSigned:
        if ((s.current() == '+' || s.current() == '-') && !s.atEnd())
            s.advance();
        return numberOrFloat(s);
    case kStdNumber:
        return skipDigits(s) > 0;
    case kStdMailUrl:
        return mailAddress(s);
    case kStdHtmlString:
        return htmlString(s, tokenStart);
    default:
        return false;
    }
}

} // namespace

bool RunStandardHandler(int id, TEdStream& stream, std::size_t tokenStart) {
    const std::size_t start = stream.position();
    if (dispatch(id, stream, tokenStart))
        return true;
    stream.seek(start);
    return false;
}

} // namespace velloran
