// libFuzzer target: any bytes must parse, read and edit without a crash, and write back stably.
#include "platform/errors.h"
#include "platform/inifile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using velloran::IniFile;

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// What text() writes must read back as the same document.
void checkStable(const IniFile& ini) {
    const std::string once = ini.text();
    IniFile again("");
    again.parse(once);
    check(again.text() == once);
}

std::string_view field(std::string_view& rest) {
    const std::size_t bar = rest.find('|');
    const std::string_view head = rest.substr(0, bar);
    rest = bar == std::string_view::npos ? std::string_view{} : rest.substr(bar + 1);
    return head;
}

bool isPlain(std::string_view value) {
    const auto plain = [](char c) { return c != ' ' && c != '\t' && c != '"' && c != '\''; };
    return value.empty() || (plain(value.front()) && plain(value.back()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    IniFile ini("");
    ini.parse(input);
    checkStable(ini);

    // Everything the reader lists must be found again by name.
    for (const std::string& section : ini.sectionNames()) {
        check(ini.hasSection(section));
        for (const std::string& line : ini.readSection(section)) {
            const std::string key = line.substr(0, line.find('='));
            check(ini.hasKey(section, key));
            (void)ini.readString(section, key, "");
            (void)ini.readInteger(section, key, 0);
        }
    }

    // The first line, split at "|", names one more write so that odd names and values
    // reach the writer too: "section|key|value".
    std::string_view rest = input.substr(0, input.find('\n'));
    const std::string_view section = field(rest);
    const std::string_view key = field(rest);
    const std::string_view value = field(rest);
    const std::string before = ini.text();
    try {
        ini.writeString(section, key, value);
        check(ini.hasKey(section, key));
        if (isPlain(value)) {
            check(ini.readString(section, key, "") == value);
        }
    } catch (const velloran::VelloranError&) {
        check(ini.text() == before);
    }
    checkStable(ini);

    const auto names = ini.sectionNames();
    if (!names.empty()) {
        ini.writeString(names.front(), "fuzzed", "1");
        check(ini.readInteger(names.front(), "fuzzed", 0) == 1);
        ini.deleteKey(names.front(), "fuzzed");
        check(!ini.hasKey(names.front(), "fuzzed"));
        ini.eraseSection(names.back());
        check(!ini.hasSection(names.back()));
    }
    checkStable(ini);
    return 0;
}
