#pragma once
// The recent-folder file "SaveList.dat": the folders the save-folder chooser
// accepted, one per line, in the system code page (GB18030 here) with CR LF.
// The save-folder chooser and the copy/move tool share it.
#include <QString>
#include <QStringList>

// The file in the per-user data folder.
QString SaveListFilePath();

// Fills `list` from the first 100 non-empty lines of the file, spaces
// trimmed, dropping lines equal to an earlier one but for letter case
// (they still count toward the 100). Returns false and leaves `list`
// untouched when there is no file.
bool LoadListFromFile(QStringList &list, const QString &path);

// Replaces the file by every entry of `list`, each followed by CR LF; an
// empty list writes one empty line. False when the file cannot be written.
bool SaveListToFile(const QStringList &list, const QString &path);
