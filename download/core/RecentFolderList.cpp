#include "download/core/RecentFolderList.h"

#include "common/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
constexpr int kMaxLines = 100;
}

QString SaveListFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/SaveList.dat");
}

bool LoadListFromFile(QStringList &list, const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QString text = DecodeAnsi(file.readAll());
    list.clear();
    // Older files may end lines with a bare CR or LF; each counts as a line end.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    int counted = 0;
    for (const QString &raw : text.split(lineEnd)) {
        const QString line = TrimSpaces(raw);
        if (line.isEmpty())
            continue;
        if (++counted > kMaxLines)
            break;
        if (!list.contains(line, Qt::CaseInsensitive))
            list.append(line);
    }
    return true;
}

bool SaveListToFile(const QStringList &list, const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString text;
    for (const QString &entry : list)
        text += entry + QStringLiteral("\r\n");
    if (list.isEmpty())
        text = QStringLiteral("\r\n");
    const QByteArray bytes = EncodeAnsi(text);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}
