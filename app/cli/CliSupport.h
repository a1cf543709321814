#pragma once
// What both commands of litharvest-cli share: how they report to the user.
#include <QString>

// "command: text" and a line end on standard error, in UTF-8.
void printMessage(const char *command, const QString &text);

// The line after a wrong command line: where its options are explained.
// command is "download", "harvest", or empty for litharvest-cli itself.
void printHelpHint(const char *command);
