#pragma once
#include <QStringList>

// Runs "litharvest-cli harvest"; args[0] is the program, the rest its options.
// Returns the process exit status.
int runHarvestCommand(const QStringList &args);
