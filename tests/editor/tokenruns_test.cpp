// The run-length token store must behave exactly like one byte per character, across
// chunk boundaries, for long inserts and erases and with a write-back cache in between.
#include "editor/tokenruns.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace velloran {
namespace {

std::vector<std::uint8_t> contents(const TokenRuns& runs) {
    std::vector<std::uint8_t> all(static_cast<std::size_t>(runs.size()));
    runs.read(0, runs.size(), all.data());
    return all;
}

TEST(TokenRuns, RandomEditsMatchAPlainArray) {
    std::mt19937 random(7);
    TokenRuns runs;
    std::vector<std::uint8_t> plain(30000, 0);
    runs.reset(static_cast<Position>(plain.size()));
    const auto below = [&](std::size_t n) {
        return static_cast<Position>(std::uniform_int_distribution<std::size_t>(0, n)(random));
    };
    for (int step = 0; step < 3000; ++step) {
        const Position size = static_cast<Position>(plain.size());
        const Position pos = below(plain.size());
        switch (step % 4) {
        case 0: { // insert, sometimes many chunks at once
            const Position count = step % 40 == 0 ? below(20000) + 1 : below(300) + 1;
            runs.insertZeros(pos, count);
            plain.insert(plain.begin() + pos, static_cast<std::size_t>(count), 0);
            break;
        }
        case 1: { // erase, sometimes across several chunks
            const Position count =
                std::min<Position>(size - pos, step % 30 == 1 ? below(12000) : below(200));
            runs.erase(pos, count);
            plain.erase(plain.begin() + pos, plain.begin() + pos + count);
            break;
        }
        default: { // a highlighter-like write of runs with a few long ones
            const Position count = std::min<Position>(size - pos, below(600));
            // Some chunks keep to a palette of sixteen tokens, some meet more.
            const unsigned tokenKinds = step % 8 == 2 ? 12 : 200;
            std::vector<std::uint8_t> tokens(static_cast<std::size_t>(count));
            for (std::size_t i = 0; i < tokens.size();) {
                const std::size_t run = std::min<std::size_t>(
                    tokens.size() - i, random() % 11 == 0 ? 400 : random() % 9 + 1);
                std::fill_n(tokens.begin() + static_cast<std::ptrdiff_t>(i), run,
                            static_cast<std::uint8_t>(random() % tokenKinds));
                i += run;
            }
            runs.write(pos, tokens.data(), count);
            std::copy(tokens.begin(), tokens.end(), plain.begin() + pos);
            EXPECT_TRUE(runs.equals(pos, tokens.data(), count));
            break;
        }
        }
        ASSERT_EQ(runs.size(), static_cast<Position>(plain.size()));
        if (!plain.empty()) {
            const Position probe = below(plain.size() - 1);
            ASSERT_EQ(runs.at(probe), plain[static_cast<std::size_t>(probe)]) << "step " << step;
        }
        if (step % 100 == 0) {
            ASSERT_EQ(contents(runs), plain) << "step " << step;
        }
    }
    ASSERT_EQ(contents(runs), plain);
    if (!plain.empty()) {
        std::vector<std::uint8_t> other = plain;
        other.back() ^= 1;
        EXPECT_FALSE(runs.equals(0, other.data(), runs.size()));
    }
}

TEST(TokenRuns, HighlightedTextCostsAFractionOfAByteACharacter) {
    TokenRuns runs;
    const Position size = 1 << 20;
    runs.reset(size);
    std::vector<std::uint8_t> line(100);
    for (std::size_t i = 0; i < line.size(); ++i)
        line[i] = static_cast<std::uint8_t>(i / 8); // runs of eight, like tags and words
    for (Position at = 0; at + 100 <= size; at += 100)
        runs.write(at, line.data(), 100);
    EXPECT_EQ(runs.at(100 * (size / 100 - 1) + 50), line[50]);
    EXPECT_LT(runs.memoryBytes(), static_cast<std::size_t>(size) / 3);
    runs.erase(0, size);
    EXPECT_EQ(runs.size(), 0);
    runs.insertZeros(0, 5);
    EXPECT_EQ(contents(runs), std::vector<std::uint8_t>(5, 0));
}

} // namespace
} // namespace velloran
