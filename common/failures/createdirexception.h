#ifndef ORLA_CREATEDIREXCEPTION_H
#define ORLA_CREATEDIREXCEPTION_H

#include "failures/readfileexception.h"

class ORLACOMMON_EXPORT CreateDirException : public ReadFileException
{
public:
    CreateDirException(const QString &path, const QString &details);

    QString fullDetails() const override;
};

#endif
