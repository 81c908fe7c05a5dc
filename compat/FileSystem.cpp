#include "FileSystem.h"

#include <QFile>
#include <QFileDevice>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

bool FileSystem::syncToDisk(QFileDevice &file)
{
    const int handle = file.handle();
    if (handle < 0)
        return true;
#if defined(Q_OS_WIN)
    return _commit(handle) == 0;
#elif defined(Q_OS_LINUX)
    return ::fdatasync(handle) == 0;
#else
    return ::fsync(handle) == 0;
#endif
}

bool FileSystem::hardLink(const QString &existing, const QString &link)
{
#ifdef Q_OS_WIN
    return CreateHardLinkW(reinterpret_cast<const wchar_t *>(link.utf16()),
                           reinterpret_cast<const wchar_t *>(existing.utf16()), nullptr);
#else
    return ::link(QFile::encodeName(existing).constData(), QFile::encodeName(link).constData()) ==
           0;
#endif
}
