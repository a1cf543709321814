#pragma once
// What the fuzz targets share: the input cut into parts, a scratch folder for
// targets that need files, and the stop on a broken rule (abort, which
// libFuzzer reports as a crash and keeps the input).
#include <QByteArray>
#include <QDir>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <unistd.h>

namespace fuzz {

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The input as `count` parts: the first count - 1 end at a line feed each
// (which belongs to no part), the last is the rest. Missing parts are empty.
inline std::vector<QByteArray> lines(const uint8_t *data, size_t size, int count)
{
    std::vector<QByteArray> parts;
    const QByteArray all = bytes(data, size);
    qsizetype from = 0;
    for (int i = 0; i + 1 < count; ++i) {
        const qsizetype end = all.indexOf('\n', from);
        if (end < 0) {
            parts.push_back(all.mid(from));
            from = all.size();
            continue;
        }
        parts.push_back(all.mid(from, end - from));
        from = end + 1;
    }
    parts.push_back(all.mid(from));
    return parts;
}

// A folder of this process under the temporary folder (the runner points
// TMPDIR at its scratch folder), made on first use.
inline const QString &scratchFolder()
{
    static const QString folder = [] {
        const QString path =
            QDir::tempPath() + QStringLiteral("/litharvest-fuzz-%1").arg(QString::number(::getpid()));
        QDir().mkpath(path);
        return path;
    }();
    return folder;
}

// Reports a broken rule with the text that broke it and stops the process.
[[noreturn]] inline void fail(const char *rule, const QString &detail = QString())
{
    std::fprintf(stderr, "rule broken: %s\n  %s\n", rule, detail.toUtf8().constData());
    std::abort();
}

inline void require(bool holds, const char *rule, const QString &detail = QString())
{
    if (!holds)
        fail(rule, detail);
}

} // namespace fuzz
