#include "icontheme.h"

#include <QIcon>
#include <QString>

void IconTheme::ensureFallback()
{
    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor")) {
        QIcon::setThemeName(QStringLiteral("breeze"));
    }
}
