#pragma once
// The three ways the program asks "is this an http address", from the
// loosest to the strictest. Each caller keeps the level it has always used.
#include <QString>

class QUrl;

// The text starts with "http://" or "https://" in any letter case; nothing
// else is looked at (the file commands' "open this address" choice).
bool HasHttpScheme(const QString &text);

// A valid http or https URL with a host, as Qt reads it tolerantly: what the
// engines fetch and redirect to, and what the page source accepts.
bool IsHttpUrl(const QUrl &url);

// The text parses in Qt's strict mode as an http or https URL with a host:
// the command-line tool's check of addresses in a list file.
bool IsStrictHttpAddress(const QString &text);
