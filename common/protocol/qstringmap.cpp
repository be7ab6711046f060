#include "protocol/qstringmap.h"

QStringMap::QStringMap(const QMap<QString, QString> &other)
    : QMap<QString, QString>(other)
{
}

QStringMap::~QStringMap() = default;
