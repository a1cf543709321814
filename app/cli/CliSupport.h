#pragma once
// What both commands of litharvest-cli share: how they report to the user
// and how a folder given on the command line is written.
#include <QString>

// "command: text" and a line end on standard error, in UTF-8.
void printMessage(const char *command, const QString &text);

// The line after a wrong command line: where its options are explained.
// command is "download", "harvest", or empty for litharvest-cli itself.
void printHelpHint(const char *command);

// The path cleaned (no "." or ".." segments, no doubled "/") and ending in "/".
QString folderWithSlash(const QString &path);
