#pragma once
// The rendering mode the program asks of the embedded browser at start-up:
// "IE10" with standards forced, the number 10001.
//
// On the desktop where this number is kept for the browser control, it goes
// into the machine's browser-emulation record so that the control renders
// the portal in a current standards mode instead of an old compatibility
// mode. The embedded engine here (QtWebEngine) always renders in its current
// standards mode and keeps no such record, so the start-up step works the
// number out and writes nothing.
#include <QString>

#include <optional>

inline constexpr const char *kStartupEmulationMode = "IE10";
inline constexpr bool kStartupForceStandards = true;

// The number for a requested mode ("IE10", "IE9", "IE8", "IE7", letter case
// ignored) and the force-standards flag; none for any other mode, which asks
// for the record to be removed.
std::optional<quint32> BrowserEmulationValue(const QString &mode, bool forceStandards);
