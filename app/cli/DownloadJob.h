#pragma once
// The options of "litharvest-cli download": where the list comes from, the
// save folder, the scheduler's options and the default referrer, read from
// the command line.
#include "download/core/DownloadSession.h"

#include <QString>
#include <QStringList>

struct DownloadJob
{
    QString listPath = QStringLiteral("-"); // "-" is standard input
    QString folder;                         // absolute, ends with "/"
    DownloadOptions options;
    QString referrer; // for rows whose list line names none
};

// The text of "litharvest-cli download --help".
extern const char kDownloadHelp[];

// Reads the options (args[0] is the program) into `job`, or sets `help` when
// --help is asked for. False with a message for the user otherwise.
bool parseDownloadJob(const QStringList &args, DownloadJob &job, QString &error, bool &help);
