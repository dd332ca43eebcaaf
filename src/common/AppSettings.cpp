#include "common/AppSettings.h"

#include <QDir>

QString defaultLogFolder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    // The base directory specification ignores a relative path here.
    if (data.isEmpty() || QDir::isRelativePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/ZKT/logs");
}
