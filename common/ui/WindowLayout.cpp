#include "common/ui/WindowLayout.h"

#include "common/TextCodec.h"
#include "common/ui/WindowRoutines.h"
#include "platform/SettingsStore.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

const QString kKeyResolution = QStringLiteral("分辨率");
const QString kKeyTop = QStringLiteral("上");
const QString kKeyLeft = QStringLiteral("左");
const QString kKeyWidth = QStringLiteral("宽");
const QString kKeyHeight = QStringLiteral("高");
const QString kMaximisedMark = QStringLiteral("0*0");

// Twips as whole numbers; a text that is not a number is 0.
double readTwips(const QString &section, const QString &key, int defaultTwips)
{
    bool ok = false;
    const double v =
        TrimSpaces(SettingsStore::instance().read(section, key, QString::number(defaultTwips))).toDouble(&ok);
    return ok && std::isfinite(v) ? std::round(v) : 0.0;
}

int twipsToPixels(double twips)
{
    return int(std::lround(twips / kTwipsPerPixel));
}

void writeTwips(const QString &section, const QString &key, int pixels)
{
    SettingsStore::instance().write(section, key, QString::number(qint64(pixels) * kTwipsPerPixel));
}

} // namespace

void SaveWindowLayout(const QWidget &window)
{
    const QString section = window.objectName();
    SettingsStore &store = SettingsStore::instance();
    if (window.isMaximized()) {
        store.write(section, kKeyResolution, kMaximisedMark);
        return;
    }
    store.write(section, kKeyResolution, ScreenResolutionText());
    writeTwips(section, kKeyTop, window.y());
    writeTwips(section, kKeyLeft, window.x());
    writeTwips(section, kKeyWidth, window.width());
    writeTwips(section, kKeyHeight, window.height());
}

void RestoreWindowLayout(QWidget &window)
{
    const QString section = window.objectName();
    if (SettingsStore::instance().read(section, kKeyResolution, QStringLiteral("000")) != ScreenResolutionText()) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
        return;
    }
    const double top = std::max(0.0, readTwips(section, kKeyTop, 100));
    const double left = std::max(0.0, readTwips(section, kKeyLeft, 100));
    // Caps far beyond any screen keep a corrupted value from overflowing.
    const double maxTwips = 1e6;
    const double width = std::clamp(readTwips(section, kKeyWidth, 15000), 4000.0, maxTwips);
    const double height = std::clamp(readTwips(section, kKeyHeight, 10000), 3000.0, maxTwips);
    window.setWindowState(window.windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    window.move(twipsToPixels(std::min(left, maxTwips)), twipsToPixels(std::min(top, maxTwips)));
    window.resize(twipsToPixels(width), twipsToPixels(height));
}
