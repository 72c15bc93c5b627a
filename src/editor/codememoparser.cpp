// The keyword trie, NextToken with its state machine and containers, and the
// built-in token handlers.
#include "editor/codememoparser.h"

#include "editor/editmodel.h"

#include <algorithm>

namespace velloran {

// ---- Keywords ----

void TCodeKeywords::clear() {
    m_nodes.clear();
    m_roots.fill(-1);
}

void TCodeKeywords::add(const KeywordEntry& entry) {
    if (entry.word.empty())
        return;
    // The chain a level's nodes hang from: a root, or a node's child link. Held as an
    // index because adding nodes moves them.
    std::int32_t parent = -1;
    const auto chain = [&]() -> std::int32_t& {
        return parent < 0 ? m_roots[static_cast<std::size_t>(
                                fold(static_cast<unsigned char>(entry.word[0])))]
                          : m_nodes[static_cast<std::size_t>(parent)].child;
    };
    for (std::size_t i = 0; i < entry.word.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(fold(static_cast<unsigned char>(entry.word[i])));
        const bool last = i + 1 == entry.word.size();
        // Share a node of the same character, widening its states, so that a character
        // has one path however many languages' states its words are in; only a word that
        // ends where the same word ends for other states needs a branch of its own.
        std::int32_t found = -1;
        for (std::int32_t at = chain(); at >= 0; at = m_nodes[static_cast<std::size_t>(at)].next) {
            const Node& candidate = m_nodes[static_cast<std::size_t>(at)];
            if (candidate.ch != c)
                continue;
            if (last && candidate.terminal && candidate.wordStates.intersects(entry.states))
                throw EKeywords("Duplicate keyword - '" + entry.word + "'");
            if (found < 0 && (!last || !candidate.terminal))
                found = at;
        }
        if (found < 0) {
            Node fresh;
            fresh.ch = c;
            fresh.states = entry.states;
            fresh.next = chain();
            found = static_cast<std::int32_t>(m_nodes.size());
            m_nodes.push_back(fresh);
            chain() = found;
        }
        Node& node = m_nodes[static_cast<std::size_t>(found)];
        node.states = node.states | entry.states;
        parent = found;
    }
    Node& last = m_nodes[static_cast<std::size_t>(parent)];
    last.terminal = true;
    last.token = entry.token;
    last.wordStates = entry.states;
    last.follow = entry.follow;
}

void TCodeKeywords::matcherFor(const CharSet& states, KeywordMatcher& matcher) const {
    for (int c = 0; c < 256; ++c)
        matcher.m_fold[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(fold(c));
    matcher.m_roots.fill(-1);
    matcher.m_nodes.clear();
    std::vector<std::uint8_t> nodeChars; // each node's character, beside m_nodes
    matcher.m_ends.clear();
    matcher.m_follows.clear();
    // Built breadth first, so that each node's children can be given places side by
    // side; each merged node stands for trie nodes of one path, kept in the order a
    // depth-first walk of the trie meets them, which decides between equal words.
    std::vector<std::vector<std::int32_t>> groups;
    const auto addNode = [&](std::uint8_t ch, std::vector<std::int32_t> group) {
        matcher.m_nodes.emplace_back();
        nodeChars.push_back(ch);
        groups.push_back(std::move(group));
    };
    for (int c = 0; c < 256; ++c) {
        std::vector<std::int32_t> group;
        for (std::int32_t at = m_roots[static_cast<std::size_t>(c)]; at >= 0;
             at = m_nodes[static_cast<std::size_t>(at)].next)
            if (m_nodes[static_cast<std::size_t>(at)].states.intersects(states))
                group.push_back(at);
        if (group.empty())
            continue;
        matcher.m_roots[static_cast<std::size_t>(c)] =
            static_cast<std::int32_t>(matcher.m_nodes.size());
        addNode(static_cast<std::uint8_t>(c), std::move(group));
    }
    for (std::size_t index = 0; index < groups.size(); ++index) {
        const std::vector<std::int32_t> group = groups[index];
        KeywordMatcher::Node node;
        node.firstEnd = static_cast<std::uint32_t>(matcher.m_ends.size());
        std::vector<std::uint8_t> childChars;
        for (const std::int32_t at : group) {
            const Node& trie = m_nodes[static_cast<std::size_t>(at)];
            if (trie.terminal && trie.wordStates.intersects(states)) {
                // A language has a handful of follow sets; kept once each, they stay in
                // the cache however many words end in them.
                auto follow =
                    std::find(matcher.m_follows.begin(), matcher.m_follows.end(), trie.follow);
                if (follow == matcher.m_follows.end())
                    follow = matcher.m_follows.insert(follow, trie.follow);
                matcher.m_ends.push_back(
                    {trie.token, static_cast<std::uint32_t>(follow - matcher.m_follows.begin())});
            }
            for (std::int32_t child = trie.child; child >= 0;
                 child = m_nodes[static_cast<std::size_t>(child)].next) {
                const Node& next = m_nodes[static_cast<std::size_t>(child)];
                if (next.states.intersects(states) &&
                    std::find(childChars.begin(), childChars.end(), next.ch) == childChars.end())
                    childChars.push_back(next.ch);
            }
        }
        node.ends = static_cast<std::uint16_t>(matcher.m_ends.size() - node.firstEnd);
        node.firstChild = static_cast<std::uint32_t>(matcher.m_nodes.size());
        node.children = static_cast<std::uint16_t>(childChars.size());
        for (const std::uint8_t ch : childChars) {
            std::vector<std::int32_t> childGroup;
            for (const std::int32_t at : group)
                for (std::int32_t child = m_nodes[static_cast<std::size_t>(at)].child; child >= 0;
                     child = m_nodes[static_cast<std::size_t>(child)].next)
                    if (m_nodes[static_cast<std::size_t>(child)].ch == ch &&
                        m_nodes[static_cast<std::size_t>(child)].states.intersects(states))
                        childGroup.push_back(child);
            addNode(ch, std::move(childGroup));
        }
        matcher.m_nodes[index] = node;
    }
    matcher.m_dense.clear();
    for (KeywordMatcher::Node& node : matcher.m_nodes) {
        if (node.ends > 0) {
            node.endToken = matcher.m_ends[node.firstEnd].token;
            node.endFollow = matcher.m_ends[node.firstEnd].follow;
        }
        if (node.children < KeywordMatcher::kDenseChildren) {
            std::copy_n(nodeChars.begin() + node.firstChild, node.children, node.chars.begin());
            continue;
        }
        node.dense = static_cast<std::int32_t>(matcher.m_dense.size());
        std::array<std::int32_t, 256>& table = matcher.m_dense.emplace_back();
        table.fill(-1);
        for (std::uint32_t child = node.firstChild; child < node.firstChild + node.children;
             ++child)
            table[nodeChars[child]] = static_cast<std::int32_t>(child);
    }
}

int KeywordMatcher::match(const TEdStream& stream, std::size_t& length) const noexcept {
    length = 0;
    const std::size_t start = stream.position();
    if (start >= stream.size())
        return -1;
    // Tag and attribute names are read from the piece of text they lie in, the rare one
    // across the gap character by character.
    std::size_t pieceEnd = 0;
    const unsigned char* bytes = stream.piece(start, pieceEnd);
    const auto charAt = [&](std::size_t pos) {
        return pos < pieceEnd ? int{bytes[pos]} : stream.charAt(pos);
    };
    int token = -1;
    std::int32_t at = m_roots[m_fold[static_cast<std::size_t>(charAt(start))]];
    for (std::size_t depth = 1; at >= 0; ++depth) {
        const Node& node = m_nodes[static_cast<std::size_t>(at)];
        const int next = charAt(start + depth);
        if (node.ends > 0) {
            if (m_follows[node.endFollow].has(next)) {
                token = node.endToken;
                length = depth;
            } else {
                for (std::uint32_t e = node.firstEnd + 1; e < node.firstEnd + node.ends; ++e) {
                    if (m_follows[m_ends[e].follow].has(next)) {
                        token = m_ends[e].token;
                        length = depth;
                        break;
                    }
                }
            }
        }
        if (start + depth >= stream.size())
            break;
        const std::uint8_t c = m_fold[static_cast<std::size_t>(next)];
        if (node.dense >= 0) {
            at = m_dense[static_cast<std::size_t>(node.dense)][c];
            continue;
        }
        at = -1;
        for (std::uint16_t i = 0; i < node.children; ++i) {
            if (node.chars[i] == c) {
                at = static_cast<std::int32_t>(node.firstChild + i);
                break;
            }
        }
    }
    return token;
}

CharSet KeywordMatcher::secondChars(int c) const noexcept {
    const std::int32_t at = m_roots[m_fold[static_cast<std::size_t>(c)]];
    if (at < 0)
        return {};
    const Node& node = m_nodes[static_cast<std::size_t>(at)];
    if (node.ends > 0)
        return CharSet().complement();
    CharSet chars;
    if (node.dense >= 0) {
        const std::array<std::int32_t, 256>& table = m_dense[static_cast<std::size_t>(node.dense)];
        for (int d = 0; d < 256; ++d)
            if (table[static_cast<std::size_t>(d)] >= 0)
                chars.add(d);
    } else {
        for (std::uint16_t i = 0; i < node.children; ++i)
            chars.add(node.chars[i]);
    }
    return chars;
}

int KeywordMatcher::wholeAt(int c) const noexcept {
    const std::int32_t at = m_roots[m_fold[static_cast<std::size_t>(c)]];
    if (at < 0)
        return -1;
    const Node& node = m_nodes[static_cast<std::size_t>(at)];
    if (node.children != 0 || node.ends != 1 ||
        m_follows[m_ends[node.firstEnd].follow] != CharSet().complement())
        return -1;
    return m_ends[node.firstEnd].token;
}

// ---- Parser ----

TCodeMemoParser::TCodeMemoParser() : TCodeMemoParser(ParserTables{}) {
}

TCodeMemoParser::TCodeMemoParser(ParserTables tables) {
    setTables(std::move(tables));
}

const TCodeMemoParser::Starters& TCodeMemoParser::startersFor(const CharSet& states) const {
    if (m_starters.used > 0 && m_starters.tables[m_starters.last]->states == states)
        return *m_starters.tables[m_starters.last];
    for (std::size_t i = 0; i < m_starters.used; ++i) {
        if (m_starters.tables[i]->states == states) {
            m_starters.last = i;
            return *m_starters.tables[i];
        }
    }
    if (!m_starters.tables[m_starters.next])
        m_starters.tables[m_starters.next] = std::make_unique<Starters>();
    Starters& fresh = *m_starters.tables[m_starters.next];
    m_starters.last = m_starters.next;
    m_starters.used = std::max(m_starters.used, m_starters.next + 1);
    m_starters.next = (m_starters.next + 1) % m_starters.tables.size();
    fresh.after.fill({});
    fresh.states = states;
    fresh.generation = ++m_starters.generation;
    fresh.startChars = CharSet();
    for (int c = 0; c < 256; ++c) {
        const StartCharDefinition& first = m_tables.startChars[static_cast<std::size_t>(c)];
        if (first.present && first.states.intersects(states))
            fresh.startChars.add(c);
    }
    m_keywords.matcherFor(states, fresh.keywords);
    // Unfolded here, so that the test at every token reads the characters as they are.
    for (int c = 0; c < 256; ++c) {
        CharSet& pair = fresh.keywordPairs[static_cast<std::size_t>(c)];
        pair = fresh.keywords.secondChars(c);
        for (int d = 0; d < 256; ++d)
            if (m_keywords.fold(d) != d && pair.has(m_keywords.fold(d)))
                pair.add(d);
    }
    for (std::size_t token = 0; token < fresh.effect.size(); ++token) {
        const StateTransition& t = m_tables.transitions[token];
        fresh.effect[token] = static_cast<std::uint8_t>(
            (t.valid.intersects(states) ? Starters::kValid : 0) |
            (statesAfter(states, static_cast<std::uint8_t>(token)) != states ? Starters::kMoves
                                                                             : 0) |
            (t.container ? Starters::kContainer : 0));
    }
    fresh.firstChars = fresh.startChars;
    for (int c = 0; c < 256; ++c) {
        fresh.single[static_cast<std::size_t>(c)] = -1;
        if (fresh.keywordPairs[static_cast<std::size_t>(c)].empty())
            continue;
        fresh.firstChars.add(c);
        // A keyword with a definition of its own goes on scanning after its word.
        if (const int token = fresh.keywords.wholeAt(c);
            token >= 0 && !m_tables.tokens[static_cast<std::size_t>(token)].present)
            fresh.single[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(token);
    }
    return fresh;
}

void TCodeMemoParser::takeTransition(ParserState& state, std::uint8_t token) const {
    const auto* from = static_cast<const Starters*>(state.starters);
    if (!from || from->generation != state.startersGeneration) {
        setStates(state, statesAfter(state.current, token));
        return;
    }
    const Starters::Step* step = &from->after[token];
    if (!step->to || step->to->generation != step->generation) {
        const Starters& to = startersFor(statesAfter(state.current, token));
        // Finding `to` may have taken the place of `from` when every place was taken.
        if (from->generation == state.startersGeneration)
            from->after[token] = {&to, to.generation};
        state.current = to.states;
        state.starters = &to;
        state.startersGeneration = to.generation;
        return;
    }
    state.current = step->to->states;
    state.starters = step->to;
    state.startersGeneration = step->generation;
}

const TCodeMemoParser::Starters& TCodeMemoParser::startersOf(ParserState& state) const {
    const auto* cached = static_cast<const Starters*>(state.starters);
    if (cached && cached->generation == state.startersGeneration)
        return *cached;
    const Starters& starters = startersFor(state.current);
    state.starters = &starters;
    state.startersGeneration = starters.generation;
    return starters;
}

std::size_t TCodeMemoParser::nextStart(const Starters& starters, const TEdStream& stream,
                                       std::size_t from, std::size_t stop) const noexcept {
    std::size_t pos = from;
    while (pos < stop) {
        // Text is passed over on the raw bytes: most characters are no first character
        // at all, and the rest are mostly letters that begin no keyword with the next.
        std::size_t pieceEnd = 0;
        const unsigned char* bytes = stream.piece(pos, pieceEnd);
        pieceEnd = std::min(pieceEnd, stop);
        for (; pos < pieceEnd; ++pos) {
            const unsigned char c = bytes[pos];
            if (!starters.firstChars.has(c))
                continue;
            if (starters.startChars.has(c))
                return pos;
            const int next = pos + 1 < pieceEnd ? bytes[pos + 1] : stream.charAt(pos + 1);
            if (starters.keywordPairs[c].has(next))
                return pos;
        }
    }
    return stop;
}

void TCodeMemoParser::setTables(ParserTables tables) {
    TCodeKeywords keywords;
    keywords.setCaseSensitive(tables.header.caseSensitive);
    for (const KeywordEntry& entry : tables.keywords)
        keywords.add(entry);
    m_keywords = std::move(keywords);
    m_tables = std::move(tables);
    m_starters.forget();
}

ParserLook TCodeMemoParser::look() const {
    return {m_tables.header, m_tables.styles, m_tables.fontName, m_tables.fontSize, m_tables.keys};
}

void TCodeMemoParser::setLook(ParserLook look) {
    const bool refold = look.header.caseSensitive != m_tables.header.caseSensitive;
    m_tables.header = std::move(look.header);
    m_tables.styles = look.styles;
    m_tables.fontName = std::move(look.fontName);
    m_tables.fontSize = look.fontSize;
    m_tables.keys = std::move(look.keys);
    if (refold)
        setTables(std::move(m_tables));
}

ParserState TCodeMemoParser::resetState() const {
    ParserState state;
    state.current = m_tables.header.startStates;
    return state;
}

StyleSheet TCodeMemoParser::styleSheet() const {
    StyleSheet sheet;
    sheet.styles = m_tables.styles;
    sheet.tokenToStyle = m_tables.map;
    sheet.defaultStyle = m_tables.styles[0];
    sheet.fontName = m_tables.fontName;
    sheet.fontSize = m_tables.fontSize;
    sheet.highlight = (m_tables.header.options & cmoSyntaxHighlight) != 0;
    return sheet;
}

void TCodeMemoParser::leaveContainer(ParserState& state) const {
    const StateTransition& t = m_tables.transitions[state.containerToken];
    setStates(state, (state.current - t.enter) | t.leave);
    state.inContainer = false;
}

std::uint8_t TCodeMemoParser::nextToken(TEdStream& stream, ParserState& state, std::size_t& length,
                                        std::size_t limit) const {
    const std::size_t start = stream.position();
    if (state.openDefinition) {
        const Progress progress =
            continueToken(stream, *state.openDefinition, start, state.openBodySeen, limit);
        const int token = state.openToken;
        length = stream.position() - start;
        if (progress == Progress::Suspended)
            return static_cast<std::uint8_t>(token);
        state.openDefinition = nullptr;
        // Only tokens whose transition was already known to apply are handed out in
        // parts, so the transition applies now.
        takeTransition(state, static_cast<std::uint8_t>(token));
        return static_cast<std::uint8_t>(token);
    }
    if (state.inContainer && (start >= state.containerEnd || stream.atEnd()))
        leaveContainer(state);
    if (stream.atEnd()) {
        length = 0;
        return 0;
    }
    const Starters& starters = startersOf(state);
    const int c = stream.charAt(start);
    if (const int single = starters.single[static_cast<std::size_t>(c)]; single >= 0) {
        stream.advance();
        return finishToken(stream, state, starters, single, start, length);
    }
    const bool keywordPossible =
        starters.firstChars.has(c) && keywordMayStartAt(starters, stream, start);
    if (!keywordPossible && !starters.startChars.has(c)) {
        // Nothing can start here: a run of such characters is token 0 (or the
        // container's), exactly as one character at a time would give.
        const std::size_t stop =
            state.inContainer ? std::min(state.containerEnd, stream.size()) : stream.size();
        const std::size_t end = nextStart(starters, stream, start + 1, stop);
        stream.seek(end);
        length = end - start;
        return state.inContainer ? state.containerToken : 0;
    }
    const int token = scan(stream, state, starters, keywordPossible, limit);
    if (state.openDefinition) {
        length = stream.position() - start;
        return static_cast<std::uint8_t>(token);
    }
    return finishToken(stream, state, starters, token, start, length);
}

std::uint8_t TCodeMemoParser::finishToken(TEdStream& stream, ParserState& state,
                                          const Starters& starters, int token, std::size_t start,
                                          std::size_t& length) const {
    const std::uint8_t effect = token >= 0 && stream.position() != start
                                    ? starters.effect[static_cast<std::size_t>(token)]
                                    : 0;
    if ((effect & Starters::kValid) == 0) {
        // Unrecognised: one character, which inside a container takes its token.
        stream.seek(start + 1);
        length = 1;
        return state.inContainer ? state.containerToken : 0;
    }
    if ((effect & Starters::kMoves) != 0)
        takeTransition(state, static_cast<std::uint8_t>(token));
    if (!state.inContainer && (effect & Starters::kContainer) != 0) {
        // The container's first character carries its token; what lies inside is
        // scanned in the container's states up to its end.
        state.inContainer = true;
        state.containerEnd = stream.position();
        state.containerToken = static_cast<std::uint8_t>(token);
        stream.seek(start + 1);
    }
    length = stream.position() - start;
    return static_cast<std::uint8_t>(token);
}

int TCodeMemoParser::scan(TEdStream& stream, ParserState& state, const Starters& starters,
                          bool keywordPossible, std::size_t limit) const {
    const std::size_t start = stream.position();
    std::size_t keywordLength = 0;
    const int keyword = keywordPossible ? starters.keywords.match(stream, keywordLength) : -1;
    if (keyword >= 0) {
        stream.seek(start + keywordLength);
        const TokenDefinition& definition = m_tables.tokens[static_cast<std::size_t>(keyword)];
        return definition.present ? continueScan(stream, state, keyword, definition, start, limit)
                                  : keyword;
    }
    if (!starters.startChars.has(stream.current()))
        return -1;
    const StartCharDefinition& first =
        m_tables.startChars[static_cast<std::size_t>(stream.current())];
    if (first.standardHandler)
        return RunStandardHandler(first.handlerId, stream, start) ? first.token : -1;
    stream.advance();
    return continueScan(stream, state, first.token, first.definition, start, limit);
}

int TCodeMemoParser::continueScan(TEdStream& stream, ParserState& state, int token,
                                  const TokenDefinition& definition, std::size_t start,
                                  std::size_t limit) const {
    bool bodySeen = false;
    const std::size_t stop =
        canSuspend(token, definition, state) ? limit : static_cast<std::size_t>(-1);
    switch (continueToken(stream, definition, start, bodySeen, stop)) {
    case Progress::Done:
        return token;
    case Progress::Failed:
        return -1;
    case Progress::Suspended:
        break;
    }
    state.openDefinition = &definition;
    state.openToken = static_cast<std::uint8_t>(token);
    state.openBodySeen = bodySeen;
    return token;
}

// A token may be handed out in parts only when nothing later can undo it: it cannot
// fail, its transition applies in the current states, and it is no container.
bool TCodeMemoParser::canSuspend(int token, const TokenDefinition& definition,
                                 const ParserState& state) const {
    const StateTransition& t = m_tables.transitions[static_cast<std::size_t>(token)];
    const bool mustEnd = definition.terminatorHandler || definition.terminatorLength > 0;
    const bool neverFails =
        !definition.bodyHandler && (!mustEnd || definition.body == CharSet().complement());
    return neverFails && !t.container && !state.inContainer && t.valid.intersects(state.current);
}

TCodeMemoParser::Progress TCodeMemoParser::continueToken(TEdStream& stream,
                                                         const TokenDefinition& definition,
                                                         std::size_t tokenStart, bool& bodySeen,
                                                         std::size_t limit) const {
    while (true) {
        if ((bodySeen || definition.checkFirst) && terminatorAt(stream, definition, tokenStart))
            return Progress::Done;
        if (stream.atEnd())
            return Progress::Done; // an unterminated token ends with the text
        if (stream.position() >= limit)
            return Progress::Suspended;
        if (definition.bodyHandler) {
            if (definition.bodyCustom)
                return Progress::Failed; // this program installs no handlers of its own
            if (definition.bodyHandlerId != kPascalChar)
                return RunStandardHandler(definition.bodyHandlerId, stream, tokenStart)
                           ? Progress::Done
                           : Progress::Failed;
            if (!RunStandardHandler(kPascalChar, stream, tokenStart))
                break;
        } else if (definition.body.has(stream.current())) {
            stream.advance();
        } else {
            break;
        }
        bodySeen = true;
    }
    // A token with a terminator must end with it; one without ends where its body does.
    const bool mustEnd = definition.terminatorHandler || definition.terminatorLength > 0;
    return mustEnd ? Progress::Failed : Progress::Done;
}

bool TCodeMemoParser::terminatorAt(TEdStream& stream, const TokenDefinition& definition,
                                   std::size_t tokenStart) const {
    const std::size_t at = stream.position();
    if (definition.terminatorHandler) {
        if (definition.terminatorCustom ||
            !RunStandardHandler(definition.terminatorHandlerId, stream, tokenStart))
            return false;
        if (!definition.includeTerminator)
            stream.seek(at);
        return true;
    }
    const int length = std::min(definition.terminatorLength, 4);
    if (length <= 0)
        return false;
    if (length == 1 && stream.atEnd())
        return definition.terminator[0].has(kEndOfText);
    for (int i = 0; i < length; ++i) {
        const std::size_t pos = at + static_cast<std::size_t>(i);
        if (pos >= stream.size() ||
            !definition.terminator[static_cast<std::size_t>(i)].has(stream.charAt(pos)))
            return false;
    }
    if (definition.includeTerminator)
        stream.seek(at + static_cast<std::size_t>(length));
    return true;
}

} // namespace velloran
