// The data module's paths, dialog settings and custom colours.
#include "app/datamodule.h"

#include "app/startup.h"
#include "platform/paths.h"

#include <QColor>
#include <QColorDialog>
#include <set>

namespace velloran {

Tdm1::Tdm1(const ProgramPaths& paths) : dataDirs(paths.dataDirs) {
    state.appDir = paths.appDir;
    state.iniFileName = paths.iniFileName;
    OpenDialog1.defaultExt = "htm";
    OpenDialog1.filterIndex = 5;
    OpenDialog1.filter =
        "HTML Files ( *.htm, *.html )|*.htm; *.html|Text Files ( *.txt )|*.txt|Image "
        "Files|*.bmp; *.jpg; *.gif; *.png|Source Files|*.pas;*.dpr; *.c;*.h;*.cpp|Known "
        "Files|*.htm; *.html; *.txt; *.fmt; *.cfg; *.ini; *.bmp; *.jpg; *.gif; "
        "*.png;*.pas;*.dpr; *.c;*.h;*.cpp;*.vpr|All Files|*.*";
    SaveDialog1.defaultExt = "htm";
    SaveDialog1.filter =
        "HTML Files ( *.htm, *.html )|*.htm; *.html|Text Files ( *.txt )|*.txt|Source "
        "Files|*.pas;*.dpr; *.c;*.h;*.cpp|Known Files|*.htm; *.html; *.txt; *.fmt; *.cfg; "
        "*.ini;*.pas;*.dpr; *.c;*.h;*.cpp|All Files|*.*";
}

std::string Tdm1::tutorialProject() const {
    return FindDataFile(kTutorialProject, state.appDir, dataDirs);
}

void Tdm1::applyCustomColors() const {
    for (const auto& entry : settings.customColors) {
        if (const auto slot = ParseCustomColor(entry)) {
            const std::uint32_t bgr = slot->bgr;
            QColorDialog::setCustomColor(slot->slot,
                                         QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
        }
    }
}

void Tdm1::collectCustomColors() {
    // A slot is kept when it was stored before or the user has set it since; the
    // dialog's untouched slots are white.
    std::set<int> stored;
    for (const auto& entry : settings.customColors)
        if (const auto slot = ParseCustomColor(entry))
            stored.insert(slot->slot);
    CustomColors entries;
    for (int i = 0; i < QColorDialog::customCount(); ++i) {
        const QColor color = QColorDialog::customColor(i);
        if (color == QColor(Qt::white) && stored.count(i) == 0)
            continue;
        const auto bgr =
            static_cast<std::uint32_t>(color.blue() << 16 | color.green() << 8 | color.red());
        entries.push_back(FormatCustomColor(i, bgr));
    }
    settings.customColors = std::move(entries);
}

} // namespace velloran
