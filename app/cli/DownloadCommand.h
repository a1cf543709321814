#pragma once
#include <QStringList>

// Runs "litharvest-cli download"; args[0] is the program, the rest its options.
// Returns the process exit status.
int runDownloadCommand(const QStringList &args);
