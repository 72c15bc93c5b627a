// libFuzzer target: parser images, raw parser data, settings strings and key-assignment
// streams either read or raise a VelloranError, and whatever reads writes back to a form
// that reads again unchanged.
#include "editor/parserimage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

using namespace velloran;

namespace {

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Style 0 is defined before reading, so 255 stored styles can make 256: those tables
// cannot be written and are left out of the round trips.
bool writable(const ParserTables& tables) {
    return std::count_if(tables.styles.begin(), tables.styles.end(),
                         [](const TextStyle& s) { return s.defined; }) <= 255;
}

// The tables are large: keep them off the stack.
std::unique_ptr<ParserTables> readData(std::string_view data) {
    try {
        return std::make_unique<ParserTables>(ReadParserData(data));
    } catch (const VelloranError&) {
        return nullptr;
    }
}

void parserData(std::string_view input) {
    const auto first = readData(input);
    if (!first || !writable(*first))
        return;
    // Writing drops unused entries, so the first read need not come back; the second must.
    const auto normal = readData(WriteParserData(*first));
    check(normal != nullptr);
    const auto again = readData(WriteParserData(*normal));
    check(again != nullptr && *again == *normal);
}

void parserImage(std::string_view input) {
    std::unique_ptr<ParserTables> tables;
    try {
        tables = std::make_unique<ParserTables>(ReadParserImage(input, "Fuzz"));
    } catch (const VelloranError&) {
        return;
    }
    if (!writable(*tables))
        return;
    const auto viaImage =
        std::make_unique<ParserTables>(ReadParserImage(WriteParserImage(*tables), "Fuzz"));
    const auto viaData = readData(WriteParserData(*tables));
    check(viaData != nullptr && *viaImage == *viaData);
}

void settingsString(std::string_view input) {
    auto tables = std::make_unique<ParserTables>();
    try {
        ReadSettingsString(input, *tables);
    } catch (const VelloranError&) {
        return;
    }
    if (!writable(*tables))
        return;
    const std::string text = WriteSettingsString(*tables);
    auto again = std::make_unique<ParserTables>();
    ReadSettingsString(text, *again);
    check(WriteSettingsString(*again) == text);
}

void keyAssignments(std::string_view input) {
    auto tables = std::make_unique<ParserTables>();
    try {
        ReadKeyAssignments(input, *tables);
    } catch (const VelloranError&) {
        check(tables->keys == DefaultKeyTable());
        return;
    }
    auto again = std::make_unique<ParserTables>();
    ReadKeyAssignments(WriteKeyAssignments(*tables), *again);
    check(again->keys == tables->keys);
}

} // namespace

// The first byte picks the reader, so each run pays for one set of tables (they are
// slow to build under the sanitizers) and the corpus keeps the four input kinds apart.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 4) {
    case 0:
        parserImage(input);
        break;
    case 1:
        parserData(input);
        break;
    case 2:
        settingsString(input);
        break;
    default:
        keyAssignments(input);
        break;
    }
    return 0;
}
