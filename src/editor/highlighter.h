// Re-highlighting after changes: restarts at an anchor token before the first changed
// line and stops once a following line comes out with the token numbers it already
// had. Work can be split into slices so that typing never waits for a long run.
#pragma once

#include "editor/codememoparser.h"
#include "editor/textstore.h"

#include <chrono>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace velloran {

class Highlighter {
public:
    using Clock = std::chrono::steady_clock;

    // Runs until everything is highlighted, or until `untilLine` is correct and
    // `deadline` has passed. Returns true when no work is left.
    bool run(TextStore& store, const TCodeMemoParser& parser, std::int64_t untilLine,
             Clock::time_point deadline);
    bool runAll(TextStore& store, const TCodeMemoParser& parser) {
        return run(store, parser, std::numeric_limits<std::int64_t>::max(),
                   Clock::time_point::max());
    }
    // Whether a run is under way or changes wait for one.
    [[nodiscard]] bool pending(const TextStore& store) const noexcept {
        return m_active || store.firstChangedLine() >= 0;
    }
    // The line the run has reached; lines before it are correct.
    [[nodiscard]] std::int64_t reachedLine() const noexcept { return m_line; }
    void cancel() noexcept { m_active = false; }

    // Colours the lines [first, last] that no run has reached by scanning from a line
    // a little above them with the parser's states reset: right for nearly every page,
    // and left unmarked so that the run, when it gets there, replaces what was wrong.
    // Lets a jump far ahead of the run be painted in colour at once.
    void guess(TextStore& store, const TCodeMemoParser& parser, std::int64_t first,
               std::int64_t last) const;

private:
    void start(TextStore& store, const TCodeMemoParser& parser, std::int64_t line);
    [[nodiscard]] Position restartPosition(const TextStore& store, const TCodeMemoParser& parser,
                                           std::int64_t line) const;
    // Stores the finished line; true when the run may stop here.
    bool finishLine(TextStore& store);
    void enterLine(TextStore& store, std::int64_t line);

    bool m_active = false;
    std::int64_t m_line = 0;
    Position m_pos = 0;
    Position m_lineStart = 0;
    Position m_lineEnd = 0;
    ParserState m_state;
    std::vector<std::uint8_t> m_work;
};

// The token numbers of a whole text highlighted from its start, made as they are asked
// for and not kept: the numbers a run from scratch stores, for a writer that streams.
class TokenStream {
public:
    TokenStream(const TCodeMemoParser& parser, std::string_view text);

    // Fills out[0, count) with the numbers of [pos, pos + count). Reading on from where
    // the last read ended is cheapest; an earlier position starts again from the top.
    void read(std::size_t pos, std::size_t count, std::uint8_t* out);

private:
    const TCodeMemoParser& m_parser;
    TEdStream m_stream;
    ParserState m_state;
    std::size_t m_pos = 0;  // the next character to hand out
    std::size_t m_left = 0; // characters from m_pos that take m_token
    std::uint8_t m_token = 0;
};

} // namespace velloran
