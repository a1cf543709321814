#pragma once
// The rows "litharvest-cli download" fetches: its list file (or standard
// input) read line by line, and the empty fields of each line filled in from
// the options.
#include "app/cli/DownloadJob.h"
#include "download/core/ListLine.h"

#include <QString>

#include <vector>

// Reads job.listPath and answers its lines ready for the download list: an
// empty name becomes the last segment of the first address without its
// extension ("download" when nothing of it is left for a file name), the
// folder lies inside job.folder and ends with "/", an empty referrer is
// job.referrer. False with a message naming the list and the line otherwise.
bool readDownloadList(const DownloadJob &job, std::vector<NumberedListLine> &entries, QString &error);
