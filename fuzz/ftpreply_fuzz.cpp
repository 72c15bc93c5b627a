// Feeds arbitrary server bytes, in arbitrary pieces, through the reply reader: lines taken from
// the queue must rebuild the input exactly, no reply line may upset the parsers, and no
// passive reply may yield port 0.
#include "ftp/ftpreply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the piece length, as a socket would cut the stream.
    const std::size_t piece = 1 + data[0] % 64;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    velloran::ByteQueue queue;
    velloran::MultiLineReply reply;
    std::string rebuilt;
    for (std::size_t at = 0; at < input.size(); at += piece) {
        queue.append(std::string_view(input).substr(at, piece));
        while (auto line = queue.takeLine()) {
            rebuilt += *line;
            (void)velloran::ReplyCodeOf(*line);
            (void)velloran::SizeFromReply(*line);
            (void)velloran::QuotedDirectory(*line);
            if (const auto target = velloran::PassiveTargetOf(*line); target && target->port == 0)
                std::abort();
            if (const auto port = velloran::ExtendedPassivePortOf(*line); port && *port == 0)
                std::abort();
            if (!reply.continuesAfter(velloran::WithoutLineEnd(*line)))
                reply = velloran::MultiLineReply();
        }
    }
    rebuilt += queue.take(queue.size());
    if (rebuilt != input || !queue.empty())
        std::abort();
    return 0;
}
