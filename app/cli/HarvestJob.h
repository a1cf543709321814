#pragma once
// The options of "litharvest-cli harvest": the page to read and how its
// items are written, read from the command line.
#include <QString>
#include <QStringList>

struct HarvestJob
{
    QString page;   // the FILE or URL argument
    QString base;   // portal base address ending with "/"; empty until known
    QString ref;    // referrer of every item; empty: the page's own address
    QString folder; // save folder of every item, absolute, ends with "/"; may be empty
    bool removeSpaces = true;
    int timeoutSeconds = 60; // an address's transfer ends after this long without data
};

// The most a page may hold, read or fetched: 32 MB. A result page is a few
// hundred KB; anything bigger is refused before it fills the memory.
inline constexpr qint64 kHarvestPageLimit = 32 * 1024 * 1024;

// The text of "litharvest-cli harvest --help".
extern const char kHarvestHelp[];

enum class HarvestParse {
    Ready,   // `job` holds the options
    Help,    // --help was asked for
    Usage,   // `error` says what is wrong; the usage lines belong after it
    Refused, // `error` says what is wrong
};

// Reads the options (args[0] is the program) into `job`.
HarvestParse parseHarvestJob(const QStringList &args, HarvestJob &job, QString &error);
