#include "common/AppSettings.h"

#include <QDir>

QString defaultLogFolder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    // XDG_DATA_HOME counts only as an absolute path; otherwise the usual default.
    if (data.isEmpty() || QDir::isRelativePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/ZKT/logs");
}
