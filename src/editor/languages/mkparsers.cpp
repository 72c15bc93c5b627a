// velloran_mkparsers OUTDIR: writes the image of every built-in language into OUTDIR, so
// that the build ships images made from the language sources it was built from.
#include "editor/languages/languages.h"
#include "editor/parserimage.h"
#include "platform/atomicfile.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

void writeImages(const std::filesystem::path& outDir) {
    std::error_code error;
    std::filesystem::create_directories(outDir, error);
    if (error)
        throw velloran::FileError("Cannot create " + outDir.string() + ": " + error.message());
    for (const velloran::BuiltinLanguage& language : velloran::BuiltinLanguages()) {
        const std::string image = velloran::WriteParserImage(language.build());
        velloran::WriteFileAtomically((outDir / language.fileName).string(), image);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velloran_mkparsers OUTDIR\n");
        return 2;
    }
    try {
        writeImages(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velloran_mkparsers: %s\n", e.what());
        return 1;
    }
    return 0;
}
