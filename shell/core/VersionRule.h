#pragma once
// The running program's version and the rule by which a version file's
// answer counts as a newer version.
#include <QString>

#include <optional>

// "版本:" is followed by this: major.minor.revision of this build, from the
// project's version.
QString ProgramVersionText();

// An answer of fewer than 11 characters made of three numeric parts a.b.c
// has the value a × 10 000 000 + b × 10 000 + c; anything else has none.
// Spaces and line ends around the answer do not count (a version file
// usually ends with a line break).
std::optional<qint64> VersionValue(const QString &text);

// The answer is a version whose value exceeds the running version's.
bool IsNewerVersion(const QString &answer, const QString &running);
