#include "app/cli/DownloadListInput.h"

#include "app/cli/CliSupport.h"
#include "common/Paths.h"
#include "common/TextCodec.h"
#include "download/core/DownloadRow.h"
#include "download/core/SaveNames.h"

#include <QFile>

#include <cstdio>

#include <unistd.h>

namespace {

// A relative folder lies inside --folder: one that climbs out with ".." is
// refused before anything is fetched.
bool climbsOut(const QString &folder)
{
    if (IsAbsoluteFilePath(folder))
        return false;
    const QStringList parts = folder.split(u'/');
    return parts.contains(QStringLiteral(".."));
}

void fillFromJob(const DownloadJob &job, ListLine &line)
{
    if (line.name.isEmpty())
        line.name = NameFromUrl(选择url(line.address), true);
    if (SanitizeFileName(line.name).isEmpty())
        line.name = QStringLiteral("download");
    if (line.folder.isEmpty())
        line.folder = job.folder;
    else
        line.folder = WithTrailingSlash(AbsoluteFilePath(line.folder, job.folder));
    if (line.referrer.isEmpty())
        line.referrer = job.referrer;
}

} // namespace

bool readDownloadList(const DownloadJob &job, std::vector<NumberedListLine> &entries, QString &error)
{
    QFile file;
    bool opened = false;
    if (job.listPath == u"-") {
        if (::isatty(STDIN_FILENO) == 1)
            printMessage("download", QStringLiteral("reading the list from the terminal; end it with Ctrl-D"));
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(job.listPath);
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        error = QStringLiteral("cannot read the list \"%1\": %2").arg(QuotedExcerpt(job.listPath), file.errorString());
        return false;
    }
    const QString listName = QuotedExcerpt(job.listPath);
    ListFileFault fault;
    if (!ParseListFile(file.readAll(), entries, fault)) {
        error = QStringLiteral("%1 line %2: %3").arg(listName).arg(fault.line).arg(fault.message);
        return false;
    }
    for (NumberedListLine &entry : entries) {
        if (climbsOut(entry.line.folder)) {
            error = QStringLiteral("%1 line %2: the folder \"%3\" leaves --folder with \"..\"; a relative folder "
                                   "lies inside it")
                        .arg(listName)
                        .arg(entry.number)
                        .arg(QuotedExcerpt(entry.line.folder));
            return false;
        }
        fillFromJob(job, entry.line);
    }
    return true;
}
