// The toolbar section of a main window state: lines per dock, each toolbar with its
// visibility, offset and, when floating, its packed geometry.
#include "app/toolbarstate.h"

#include <QDataStream>
#include <QIODevice>
#include <QString>

#include <algorithm>
#include <array>
#include <vector>

namespace velloran {

namespace {

constexpr int kVersionMarker = 0xff;
constexpr unsigned char kDockWidgetMarker = 0xfd;
constexpr unsigned char kToolBarMarker = 0xfe;
constexpr unsigned char kToolBarMarkerEx = 0xfc;
// Qt's dock numbering inside the state.
const std::array<std::string_view, 4> kDockNames = {"DockLeft", "DockRight", "DockMain",
                                                    "DockBottom"};
constexpr int kTopDock = 2;

int DockIndex(std::string_view name) {
    const auto it = std::find(kDockNames.begin(), kDockNames.end(), name);
    return it == kDockNames.end() ? kTopDock : static_cast<int>(it - kDockNames.begin());
}

// Floating geometry packed into two words, the low bit of the first marking "floating";
// coordinates are offset by 0x7FFF so that negative ones survive.
quint32 Packed(int value) {
    // In 64 bits, so that no stored number overflows on the way into 16.
    return static_cast<quint32>(std::clamp<qint64>(qint64{value} + 0x7fff, 0, 0xffff));
}

void PackRect(quint32& geom0, quint32& geom1, int x, int y, int w, int h) {
    geom0 = (static_cast<quint32>(std::clamp(w, 0, 0xffff))) << 16 | Packed(x);
    geom1 = (static_cast<quint32>(std::clamp(h, 0, 0xffff))) << 16 | Packed(y);
    geom0 = geom0 << 1 | 1;
}

struct Entry {
    std::string name;
    const PlacedToolbar* placed;
};

} // namespace

QByteArray ToolbarStateBlob(const std::map<std::string, PlacedToolbar>& toolbars) {
    // Lines of each dock by row; floating toolbars sit in a line of their own.
    std::map<std::pair<int, int>, std::vector<Entry>> lines;
    int floatingRow = 1 << 20;
    for (const auto& [name, placed] : toolbars) {
        const ToolbarPosition& p = placed.position;
        const bool floating = p.dockedTo == kFloating;
        const std::pair<int, int> key{DockIndex(p.dockedTo),
                                      floating ? floatingRow++ : std::max(0, p.dockRow)};
        lines[key].push_back({name, &placed});
    }
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_0);
    stream << kVersionMarker << 0;
    stream << static_cast<quint8>(kToolBarMarkerEx) << static_cast<qint32>(lines.size());
    for (auto& [key, entries] : lines) {
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return a.placed->position.dockPos < b.placed->position.dockPos;
        });
        stream << static_cast<qint32>(key.first) << static_cast<qint32>(entries.size());
        for (const Entry& entry : entries) {
            const ToolbarPosition& p = entry.placed->position;
            stream << QString::fromStdString(entry.name) << static_cast<quint8>(p.visible ? 1 : 0)
                   << static_cast<qint32>(std::max(0, p.dockPos)) << static_cast<qint32>(-1);
            quint32 geom0 = 0;
            quint32 geom1 = 0;
            if (p.dockedTo == kFloating)
                PackRect(geom0, geom1, p.floatLeft, p.floatTop, entry.placed->floatingSize.width(),
                         entry.placed->floatingSize.height());
            stream << geom0 << geom1;
        }
    }
    return data;
}

namespace {

// Skips the dock-widget section Qt always writes: no dock widgets here, so only the
// central widget's size and the four corners follow the count.
bool SkipDockWidgets(QDataStream& stream) {
    qint32 count = 0;
    QSize central;
    stream >> count >> central;
    for (int corner = 0; corner < 4; ++corner) {
        qint32 area = 0;
        stream >> area;
    }
    return count == 0 && stream.status() == QDataStream::Ok;
}

} // namespace

std::map<std::string, ToolbarPosition> ToolbarPlaces(const QByteArray& state) {
    std::map<std::string, ToolbarPosition> places;
    QDataStream stream(state);
    stream.setVersion(QDataStream::Qt_5_0);
    qint32 marker = 0;
    qint32 version = 0;
    stream >> marker >> version;
    if (marker != kVersionMarker)
        return {};
    while (!stream.atEnd()) {
        quint8 section = 0;
        stream >> section;
        if (section == kDockWidgetMarker) {
            if (!SkipDockWidgets(stream))
                return {};
            continue;
        }
        if (section != kToolBarMarkerEx && section != kToolBarMarker)
            return {};
        qint32 lineCount = 0;
        stream >> lineCount;
        std::array<int, 4> rows{};
        for (qint32 line = 0; line < lineCount && stream.status() == QDataStream::Ok; ++line) {
            qint32 dock = 0;
            qint32 count = 0;
            stream >> dock >> count;
            if (dock < 0 || dock >= 4)
                return {};
            const int row = rows[static_cast<size_t>(dock)]++;
            for (qint32 k = 0; k < count && stream.status() == QDataStream::Ok; ++k) {
                QString name;
                quint8 shown = 0;
                qint32 pos = 0;
                qint32 size = 0;
                quint32 geom0 = 0;
                quint32 geom1 = 0;
                stream >> name >> shown >> pos >> size >> geom0;
                if (section == kToolBarMarkerEx)
                    stream >> geom1;
                ToolbarPosition& p = places[name.toStdString()];
                p.visible = (shown & 1) != 0;
                p.dockedTo = std::string(kDockNames[static_cast<size_t>(dock)]);
                p.dockRow = row;
                p.dockPos = pos;
                if (geom0 & 1) {
                    p.dockedTo = std::string(kFloating);
                    p.floatLeft = static_cast<int>((geom0 >> 1) & 0xffff) - 0x7fff;
                    p.floatTop = static_cast<int>(geom1 & 0xffff) - 0x7fff;
                }
            }
        }
    }
    if (stream.status() != QDataStream::Ok)
        return {};
    return places;
}

} // namespace velloran
