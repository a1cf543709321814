#pragma once
// Disk faults the tests inject into the program's own file operations, as a
// full disk or a read-only folder would cause them: while a fault is armed,
// every creation, write or rename of a path that starts with its prefix
// (a folder with its trailing "/", or a file name) fails with the fault's
// errno (a write: once the allowed bytes are written). Linking this file
// into a test program puts its own open, write, rename and linkat in front
// of the C library's, so Qt's files (QFile, QSaveFile)
// and the engines' raw file calls see the same faults; with nothing armed
// they pass straight through.
#include <QByteArray>
#include <QString>

#include <cerrno>

namespace FileFaults {

enum class Operation { Create, Write, Rename };

struct Fault
{
    QString prefix;          // absolute path prefix the fault applies to
    Operation operation = Operation::Write;
    int error = ENOSPC;
    qint64 allowedBytes = 0; // Write: bytes written under the prefix before writes fail
};

// Arms the fault until the guard goes (one at a time).
class Armed final
{
public:
    explicit Armed(const Fault &fault);
    ~Armed();
    Armed(const Armed &) = delete;
    Armed &operator=(const Armed &) = delete;
    // How many operations the fault refused so far.
    int refusals() const;
};

} // namespace FileFaults
