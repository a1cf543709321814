#include "shell/core/VersionRule.h"

#include "LitharvestVersion.h"

#include <QStringList>

QString ProgramVersionText()
{
    return QStringLiteral(LITHARVEST_VERSION);
}

std::optional<qint64> VersionValue(const QString &text)
{
    const QString answer = text.trimmed();
    if (answer.size() >= 11)
        return std::nullopt;
    const QStringList parts = answer.split(u'.');
    if (parts.size() != 3)
        return std::nullopt;
    qint64 numbers[3] = {};
    for (int i = 0; i < 3; ++i) {
        const QString &part = parts.at(i);
        if (part.isEmpty())
            return std::nullopt;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
        }
        numbers[i] = part.toLongLong();
    }
    return numbers[0] * 10000000 + numbers[1] * 10000 + numbers[2];
}

bool IsNewerVersion(const QString &answer, const QString &running)
{
    const std::optional<qint64> offered = VersionValue(answer);
    const std::optional<qint64> current = VersionValue(running);
    return offered && current && *offered > *current;
}
