#include "UpdaterResult.h"

void UpdaterResult::setError(const QString& text)
{
    m_valid = false;
    m_error = text;
}

void UpdaterResult::setVersion(int major, int minor)
{
    m_majorVersion = major;
    m_minorVersion = minor;
}
