// The download-list reader on any file: ParseListFile on the bytes, each row
// written back with FormatListLine and read again (what harvest writes,
// download reads as meant), and litharvest-cli's readDownloadList on the
// same bytes as a list file, which fills the empty fields from the options.
#include "app/cli/DownloadListInput.h"
#include "common/TextCodec.h"
#include "download/core/ListLine.h"
#include "download/core/SaveNames.h"
#include "fuzz/FuzzSupport.h"

#include <QFile>

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
    fuzz::require(filledRead == read, "the command reads what the list reader reads", error);
    if (!filledRead)
        return 0; // the rows read before the fault are not used
    for (const NumberedListLine &entry : filled) {
        fuzz::require(!SanitizeFileName(entry.line.name).isEmpty(), "every row has a file name", entry.line.name);
        fuzz::require(entry.line.folder.endsWith(u'/'), "every folder ends with /", entry.line.folder);
        fuzz::require(!entry.line.referrer.isEmpty(), "every row has a referrer");
    }
    return 0;
}
