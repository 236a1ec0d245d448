#include "shell/WindowPlacement.h"

#include <QList>
#include <limits>

#include "shell/RegistryStore.h"
#include "shell/Settings.h"

namespace orbpix {

namespace {

QString windowsKey() {
    return QString::fromLatin1(kProgramKey) + QStringLiteral("\\Windows");
}

// Longer values are not placements; reading them is refused rather than cut short.
constexpr qsizetype kMaxStoredBytes = 256;

// Leading blanks, an optional sign and digits up to the first other character; anything else
// is 0. Out-of-range values saturate instead of wrapping into a nonsense position.
int decimalField(QStringView field) {
    qsizetype i = 0;
    while (i < field.size() && (field[i] == QLatin1Char(' ') || field[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == QLatin1Char('-') || field[i] == QLatin1Char('+'))) {
        negative = field[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    for (; i < field.size() && field[i] >= QLatin1Char('0') && field[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (field[i].unicode() - '0');
        if (value > std::numeric_limits<int>::max())
            return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

QString formatPlacement(const WindowPlacement& p) {
    return QString::asprintf("%d,%d,%d,%d,%d", p.left, p.top, p.right, p.bottom, p.showState);
}

std::optional<PlacementUpdate> parsePlacement(QStringView text) {
    const QList<QStringView> fields = text.split(QLatin1Char(','));
    if (text.isEmpty() || fields.size() < 4)
        return std::nullopt;
    PlacementUpdate update;
    update.left = decimalField(fields[0]);
    update.top = decimalField(fields[1]);
    update.right = decimalField(fields[2]);
    update.bottom = decimalField(fields[3]);
    if (fields.size() >= 5)
        update.showState = decimalField(fields[4]);
    return update;
}

WindowPlacement applyPlacement(WindowPlacement current, const PlacementUpdate& update) {
    current.left = update.left;
    current.top = update.top;
    current.right = update.right;
    current.bottom = update.bottom;
    if (update.showState)
        current.showState = *update.showState;
    return current;
}

bool savePlacement(const QString& valueName, const WindowPlacement& placement) {
    return registry::writeText(registry::Hive::User, windowsKey(), valueName,
                               formatPlacement(placement));
}

bool restorePlacement(const QString& valueName, WindowPlacement& placement) {
    const auto text = registry::readText(registry::Hive::User, windowsKey(), valueName);
    if (!text || text->toUtf8().size() >= kMaxStoredBytes)
        return false;
    const auto update = parsePlacement(*text);
    if (!update)
        return false;
    placement = applyPlacement(placement, *update);
    return true;
}

}  // namespace orbpix
