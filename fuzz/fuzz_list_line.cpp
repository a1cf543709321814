// The download-list reader on any file: ParseListFile on the bytes, each row
// written back with FormatListLine and read again (what harvest writes,
// download reads as meant), and litharvest-cli's readDownloadList on the
// same bytes as a list file, which fills the empty fields from the options
// and keeps every relative folder inside --folder.
#include "app/cli/DownloadListInput.h"
#include "common/TextCodec.h"
#include "download/core/ListLine.h"
#include "download/core/SaveNames.h"
#include "fuzz/FuzzSupport.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

// A field as it reads back after FormatListLine: tab, CR and LF are spaces.
QString readBack(QString field)
{
    field.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    return TrimSpaces(field);
}

void checkRoundTrip(const ListLine &line)
{
    const QString text = FormatListLine(line);
    ListLine again;
    QString error;
    fuzz::require(ParseListLine(text, again, error), "a written row reads back", text + u" : " + error);
    fuzz::require(again.address == readBack(line.address) && again.name == readBack(line.name)
                      && again.type == readBack(line.type) && again.folder == readBack(line.folder)
                      && again.referrer == readBack(line.referrer),
                  "a written row reads back as it was", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytes(data, size);
    std::vector<NumberedListLine> lines;
    ListFileFault fault;
    const bool read = ParseListFile(bytes, lines, fault);
    fuzz::require(read || fault.line > 0, "a fault names its line", fault.message);
    fuzz::require(read || !fault.message.isEmpty(), "a fault says what is wrong");
    int previous = 0;
    for (const NumberedListLine &entry : lines) {
        fuzz::require(entry.number > previous, "rows keep their order");
        previous = entry.number;
        checkRoundTrip(entry.line);
    }

    static const QString listPath = fuzz::scratchFolder() + QStringLiteral("/list.txt");
    QFile file(listPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fuzz::fail("the scratch list can be written", listPath);
    file.close();
    DownloadJob job;
    job.listPath = listPath;
    job.folder = fuzz::scratchFolder() + QStringLiteral("/save/");
    job.referrer = QStringLiteral("http://portal.example/search");
    std::vector<NumberedListLine> filled;
    QString error;
    const bool filledRead = readDownloadList(job, filled, error);
    // The command refuses more than the reader: a relative folder that climbs
    // out of --folder with "..". The first such row is the one it names.
    const auto climbing = std::find_if(lines.begin(), lines.end(), [](const NumberedListLine &entry) {
        return !entry.line.folder.startsWith(u'/') && entry.line.folder.split(u'/').contains(QStringLiteral(".."));
    });
    const bool refusedFolder = read && climbing != lines.end();
    fuzz::require(filledRead == (read && !refusedFolder), "the command reads what the list reader reads", error);
    if (refusedFolder)
        fuzz::require(error.contains(QStringLiteral(" line %1: the folder ").arg(climbing->number)),
                      "a refused folder names its line", error);
    if (!filledRead)
        return 0; // the rows read before the fault are not used
    fuzz::require(filled.size() == lines.size(), "the command keeps every row");
    const QString inside = QDir::cleanPath(job.folder) + u'/';
    for (std::size_t i = 0; i < filled.size(); ++i) {
        const ListLine &entry = filled[i].line;
        fuzz::require(!SanitizeFileName(entry.name).isEmpty(), "every row has a file name", entry.name);
        fuzz::require(entry.folder.endsWith(u'/'), "every folder ends with /", entry.folder);
        fuzz::require(!entry.referrer.isEmpty(), "every row has a referrer");
        if (!lines[i].line.folder.startsWith(u'/'))
            fuzz::require(QDir::cleanPath(entry.folder).append(u'/').startsWith(inside),
                          "a relative folder lies inside --folder", entry.folder);
    }
    return 0;
}
