#pragma once
// One line of a download list file, the text that `litharvest-cli harvest`
// prints and `litharvest-cli download` reads:
//     address TAB name TAB type TAB folder TAB referrer
// Fields at the end may be left out. A list file is UTF-8 (GB18030 when its
// bytes are not UTF-8), one line per row; blank lines and lines starting with
// "#" are skipped. The address field holds up to three alternatives joined
// by "|"; a writer with one address puts it through ListAddress, so a "|",
// a space or a tab inside it never splits or breaks the line.
#include <QString>

#include <vector>

class QByteArray;

struct ListLine
{
    QString address;  // one to three http(s) alternatives joined by "|"
    QString name;     // base name of the file; may be empty
    QString type;     // extension without the dot, letters and digits; may be empty
    QString folder;   // save folder, absolute or relative; may be empty
    QString referrer; // result page the row came from; may be empty
};

// A line of a list file with its number (the first line is 1).
struct NumberedListLine
{
    int number = 0;
    ListLine line;
};

// The fields joined by tabs; a tab, CR or LF inside a field is written as a
// space. No line end.
QString FormatListLine(const ListLine &line);

// Reads one line (without its line end). Each field is trimmed of spaces and a
// leading "." of the type is dropped. False with a message naming the fault
// when the line has more than five fields, no address, more than three
// alternatives, an alternative that is not an http or https address, or a
// type that is not an extension.
bool ParseListLine(const QString &text, ListLine &line, QString &error);

// Where a list file went wrong: the line's number and ParseListLine's message.
struct ListFileFault
{
    int line = 0;
    QString message;
};

// Reads every row line of a list file into `lines`. False at the first faulty
// line, described in `fault`: also for a UTF-16 list, a NUL byte, bytes that
// are neither UTF-8 nor GB18030, a list mixing the two encodings, and a line
// longer than 64 KB.
bool ParseListFile(const QByteArray &bytes, std::vector<NumberedListLine> &lines, ListFileFault &fault);

// One document address as a list line writes it: percent-encoded as a
// browser sends it (space, "|", "<", non-ASCII and the like become %XX, valid
// escapes stay), so that it reads back as this one address.
QString ListAddress(const QString &address);

// True for what a list line accepts as an address: a valid http or https
// address with a host.
bool IsListAddress(const QString &text);
