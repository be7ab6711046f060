#include "failures/detailsexception.h"

DetailsException::DetailsException(const QString &details)
    : m_details(details)
{
}

DetailsException::~DetailsException() = default;

QString DetailsException::details() const
{
    return m_details;
}
