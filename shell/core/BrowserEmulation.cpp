#include "shell/core/BrowserEmulation.h"

std::optional<quint32> BrowserEmulationValue(const QString &mode, bool forceStandards)
{
    struct Row
    {
        const char *mode;
        quint32 forced;
        quint32 plain;
    };
    static constexpr Row kModes[] = {
        {"IE10", 10001, 10000},
        {"IE9", 9999, 9000},
        {"IE8", 8888, 8000},
        {"IE7", 7000, 7000},
    };
    for (const Row &row : kModes) {
        if (mode.compare(QLatin1String(row.mode), Qt::CaseInsensitive) == 0)
            return forceStandards ? row.forced : row.plain;
    }
    return std::nullopt;
}
