// The table-driven highlighting parser: the keyword trie, the character stream it
// reads, and `NextToken`, which scans one token and moves the state machine on.
#pragma once

#include "editor/charset.h"
#include "editor/parsertables.h"
#include "editor/splitvector.h"
#include "editor/stylesheet.h"
#include "platform/errors.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

class EKeywords : public VelloranError {
public:
    using VelloranError::VelloranError;
};

// A read-only stream over the editor's text that never moves the store's gap.
class TEdStream {
public:
    TEdStream(const char* before, std::size_t beforeLength, const char* after,
              std::size_t afterLength) noexcept
        : m_before(before), m_beforeLength(beforeLength), m_after(after - beforeLength),
          m_end(beforeLength + afterLength) {}
    explicit TEdStream(std::string_view text) noexcept
        : TEdStream(text.data(), text.size(), text.data() + text.size(), 0) {}

    // The character at the position; 255 at the end of the text.
    [[nodiscard]] int current() const noexcept { return charAt(m_pos); }
    [[nodiscard]] int charAt(std::size_t pos) const noexcept {
        if (pos < m_beforeLength)
            return static_cast<unsigned char>(m_before[pos]);
        return pos < m_end ? static_cast<unsigned char>(m_after[pos]) : kEndOfText;
    }
    // The stretch of text around `pos` that lies in one piece: the bytes of positions
    // [pos, end) are base[pos] on.
    [[nodiscard]] const unsigned char* piece(std::size_t pos, std::size_t& end) const noexcept {
        if (pos < m_beforeLength) {
            end = m_beforeLength;
            return reinterpret_cast<const unsigned char*>(m_before);
        }
        end = m_end;
        return reinterpret_cast<const unsigned char*>(m_after);
    }
    void advance() noexcept { ++m_pos; }
    void back() noexcept {
        if (m_pos > 0)
            --m_pos;
    }
    void seek(std::size_t pos) noexcept { m_pos = pos; }
    [[nodiscard]] std::size_t position() const noexcept { return m_pos; }
    [[nodiscard]] std::size_t size() const noexcept { return m_end; }
    [[nodiscard]] bool atEnd() const noexcept { return m_pos >= m_end; }

    // A handler's failure known to hold for every start in [from, until): a run of letters
    // without "@" is no mail address from any of its letters, so the run is read once, not
    // once per letter; likewise a regular expression's class open to the line's end. The
    // text never changes under a stream, so the note stays true.
    void noteFailure(int handler, std::size_t from, std::size_t until) noexcept {
        m_failedHandler = handler;
        m_failedFrom = from;
        m_failedUntil = until;
    }
    [[nodiscard]] bool failureKnown(int handler, std::size_t pos) const noexcept {
        return handler == m_failedHandler && pos >= m_failedFrom && pos < m_failedUntil;
    }

private:
    const char* m_before;
    std::size_t m_beforeLength;
    const char* m_after; // indexed by absolute position
    std::size_t m_end;
    std::size_t m_pos = 0;
    int m_failedHandler = -1;
    std::size_t m_failedFrom = 0;
    std::size_t m_failedUntil = 0;
};

// The keywords valid in one state set, as a plain trie: the paths of the same characters
// are merged, so a match follows one path and never looks at states again.
class KeywordMatcher {
public:
    // The longest keyword at the stream's position; the token or -1.
    [[nodiscard]] int match(const TEdStream& stream, std::size_t& length) const noexcept;
    // The token of a one-character keyword that matches `c` whatever follows and that no
    // longer keyword begins with, or -1: punctuation, which is most of a script's tokens.
    [[nodiscard]] int wholeAt(int c) const noexcept;
    // The characters, folded, with which a keyword beginning with `c` may go on; every
    // character when `c` alone is a keyword.
    [[nodiscard]] CharSet secondChars(int c) const noexcept;

private:
    friend class TCodeKeywords;
    // Tags and attributes fan out widely after "<" or a first letter: such nodes look
    // their children up instead of searching them.
    static constexpr std::uint16_t kDenseChildren = 8;
    // A step of a match reads one node: the characters of its few children, and the
    // first word ending at it, lie inside it.
    struct Node {
        std::uint32_t firstChild = 0; // children lie together in m_nodes
        std::uint32_t firstEnd = 0;
        std::int32_t dense = -1; // a node with many children finds them in m_dense
        std::uint16_t children = 0;
        std::uint16_t ends = 0;
        std::array<std::uint8_t, kDenseChildren> chars{}; // when not dense
        std::uint8_t endToken = 0;                        // m_ends[firstEnd], when ends > 0
        std::uint32_t endFollow = 0;
    };
    // A word ending at a node; where several do, the first whose follow set takes the
    // next character wins, as in the trie's own order.
    struct End {
        std::uint8_t token;
        std::uint32_t follow; // index in m_follows
    };
    std::array<std::uint8_t, 256> m_fold{}; // each character as the trie holds it
    std::array<std::int32_t, 256> m_roots{};
    std::vector<Node> m_nodes;
    std::vector<std::array<std::int32_t, 256>> m_dense;
    std::vector<End> m_ends;
    std::vector<CharSet> m_follows;
};

// The keyword trie: one chain per first character, nodes shared by words whose states
// lie within the node's.
class TCodeKeywords {
public:
    void clear();
    void setCaseSensitive(bool on) noexcept { m_caseSensitive = on; }
    // "Duplicate keyword - '%s'" when the word already ends a path for these states.
    void add(const KeywordEntry& entry);
    // The keywords valid in `states`, for matching without looking at states.
    void matcherFor(const CharSet& states, KeywordMatcher& matcher) const;
    [[nodiscard]] int fold(int c) const noexcept {
        return !m_caseSensitive && c >= 'A' && c <= 'Z' ? c + 32 : c;
    }

private:
    struct Node {
        std::uint8_t ch = 0;
        bool terminal = false;
        std::uint8_t token = 0;
        std::int32_t next = -1;  // next node of the same level
        std::int32_t child = -1; // first node of the next level
        CharSet states;          // every word through this node
        CharSet wordStates;      // the word ending here
        CharSet follow;
    };

    std::vector<Node> m_nodes;
    std::array<std::int32_t, 256> m_roots = filledRoots();
    bool m_caseSensitive = false;

    static std::array<std::int32_t, 256> filledRoots() {
        std::array<std::int32_t, 256> roots;
        roots.fill(-1);
        return roots;
    }
};

// The parser's moving state for one run over one text: the active states and the
// container the scan is inside, if any.
struct ParserState {
    CharSet current{0};
    bool inContainer = false;
    std::size_t containerEnd = 0;
    std::uint8_t containerToken = 0;
    // A long token handed out in parts (a comment running on for megabytes): the
    // definition it continues by, and whether it has its first body character.
    const TokenDefinition* openDefinition = nullptr;
    std::uint8_t openToken = 0;
    bool openBodySeen = false;

    // The parser's look-up table for `current`, kept until the states change.
    const void* starters = nullptr;
    std::uint64_t startersGeneration = 0;

    // Settled: no container and no token in parts.
    [[nodiscard]] bool settled() const noexcept { return !inContainer && !openDefinition; }
    // A digest of the active states.
    [[nodiscard]] std::uint16_t digest() const noexcept { return current.digest(); }
};

class TCodeMemoParser {
public:
    TCodeMemoParser();
    explicit TCodeMemoParser(ParserTables tables);

    [[nodiscard]] const ParserTables& tables() const noexcept { return m_tables; }
    // Replaces the tables and rebuilds the keyword trie.
    void setTables(ParserTables tables);
    [[nodiscard]] ParserLook look() const;
    // Replaces the look; the keyword trie is rebuilt only when case sensitivity changes.
    void setLook(ParserLook look);
    [[nodiscard]] const std::string& languageName() const noexcept {
        return m_tables.header.languageName;
    }

    // Start states, no container.
    [[nodiscard]] ParserState resetState() const;
    // Scans one token from the stream's position; the stream ends up after it. A token
    // that cannot fail any more may stop at `limit` and continue with the next call.
    std::uint8_t nextToken(TEdStream& stream, ParserState& state, std::size_t& length,
                           std::size_t limit = static_cast<std::size_t>(-1)) const;

    // The styles the editor paints and exports tokens with.
    [[nodiscard]] StyleSheet styleSheet() const;

private:
    enum class Progress { Done, Failed, Suspended };
    [[nodiscard]] Progress continueToken(TEdStream& stream, const TokenDefinition& definition,
                                         std::size_t tokenStart, bool& bodySeen,
                                         std::size_t limit) const;
    [[nodiscard]] bool canSuspend(int token, const TokenDefinition& definition,
                                  const ParserState& state) const;
    [[nodiscard]] int continueScan(TEdStream& stream, ParserState& state, int token,
                                   const TokenDefinition& definition, std::size_t start,
                                   std::size_t limit) const;
    struct Starters;
    std::uint8_t finishToken(TEdStream& stream, ParserState& state, const Starters& starters,
                             int token, std::size_t start, std::size_t& length) const;
    [[nodiscard]] bool terminatorAt(TEdStream& stream, const TokenDefinition& definition,
                                    std::size_t tokenStart) const;

    void leaveContainer(ParserState& state) const;
    // What can start a token in a state set: a start character, or the first two
    // characters of a keyword. Anything else is one character of token 0, so runs of
    // such characters are handed out whole.
    struct Starters {
        CharSet states;
        std::uint64_t generation = 0;
        CharSet firstChars; // start characters and keywords' first characters
        CharSet startChars;
        std::array<CharSet, 256> keywordPairs; // of the characters as they stand
        // A character that is a whole token by itself here: its token, else -1.
        std::array<std::int16_t, 256> single;
        // What each token's transition does in these states.
        static constexpr std::uint8_t kValid = 1;     // it may stand here
        static constexpr std::uint8_t kMoves = 2;     // it changes the states
        static constexpr std::uint8_t kContainer = 4; // what it spans is scanned inside it
        std::array<std::uint8_t, 256> effect;
        KeywordMatcher keywords;
        // Where each token's transition leads from these states, once it has been
        // taken: tags switch states at every other token.
        struct Step {
            const Starters* to = nullptr;
            std::uint64_t generation = 0;
        };
        mutable std::array<Step, 256> after{};
    };
    [[nodiscard]] const Starters& startersFor(const CharSet& states) const;
    [[nodiscard]] const Starters& startersOf(ParserState& state) const;
    static void statesChanged(ParserState& state) noexcept { state.starters = nullptr; }
    [[nodiscard]] CharSet statesAfter(const CharSet& states, std::uint8_t token) const noexcept {
        const StateTransition& t = m_tables.transitions[token];
        return (states | t.enter) - t.leave;
    }
    // Takes a token's transition, finding the table of the states it leads to through
    // the table of those it leaves.
    void takeTransition(ParserState& state, std::uint8_t token) const;
    // Sets the active states, keeping the look-up table when they stay the same.
    static void setStates(ParserState& state, const CharSet& states) noexcept {
        if (states != state.current) {
            state.current = states;
            statesChanged(state);
        }
    }
    // Whether the first two characters at `pos` may begin a keyword of these states.
    [[nodiscard]] static bool keywordMayStartAt(const Starters& starters, const TEdStream& stream,
                                                std::size_t pos) noexcept {
        return starters.keywordPairs[static_cast<std::size_t>(stream.charAt(pos))].has(
            stream.charAt(pos + 1));
    }
    // The first position in [from, stop) where a token may start, or stop.
    [[nodiscard]] std::size_t nextStart(const Starters& starters, const TEdStream& stream,
                                        std::size_t from, std::size_t stop) const noexcept;
    [[nodiscard]] int scan(TEdStream& stream, ParserState& state, const Starters& starters,
                           bool keywordPossible, std::size_t limit) const;

    ParserTables m_tables;
    TCodeKeywords m_keywords;
    // The starters of the state sets met: they change at every tag, but between few
    // sets (a page with style and script elements meets two dozen, HTML's pieces in any
    // order about a hundred). Room for all of them, as one built twice per tag would
    // cost more than the scan; bounded, as a parser image may define sets without end.
    // A copy of the parser starts with none.
    struct StartersCache {
        std::array<std::unique_ptr<Starters>, 256> tables{};
        std::size_t used = 0;
        std::size_t next = 0;
        std::size_t last = 0;
        std::uint64_t generation = 0;

        StartersCache() = default;
        StartersCache(const StartersCache&) noexcept {}
        StartersCache& operator=(const StartersCache&) noexcept {
            forget();
            return *this;
        }
        // After the tables change: a state's table from before never matches again.
        void forget() noexcept {
            for (const std::unique_ptr<Starters>& slot : tables)
                if (slot)
                    slot->generation = 0;
            used = next = last = 0;
        }
        StartersCache(StartersCache&&) noexcept = default;
        StartersCache& operator=(StartersCache&&) noexcept = default;
        ~StartersCache() = default;
    };
    mutable StartersCache m_starters;
};

// A built-in handler: scans from the stream's position, returns whether it recognised
// anything (the stream stands after it) — on failure the stream is where it started.
bool RunStandardHandler(int id, TEdStream& stream, std::size_t tokenStart);

} // namespace velloran
