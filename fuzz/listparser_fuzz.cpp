// libFuzzer target: any listing line parses within bounds, and the order stays strict.
#include "ftp/listparser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const velloran::ParsedListLine parsed = velloran::ParseListLine(line, size % 2 == 0);
    if (parsed.item && velloran::RemoteListLess(*parsed.item, *parsed.item))
        std::abort();
    return 0;
}
