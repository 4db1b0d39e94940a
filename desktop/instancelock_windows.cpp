#include "instancelock.h"

#include <QDir>

#include <windows.h>

InstanceLock::~InstanceLock()
{
    if (m_file != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_file));
}

InstanceLock::FileLock InstanceLock::lockFile(const QString &path)
{
    // Shared opening, so that a virus scanner or an indexer reading the file
    // is not taken for another copy; the byte-range lock is the claim.
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FileLock::Unusable;
    OVERLAPPED start {};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start)) {
        m_file = reinterpret_cast<qintptr>(file);
        return FileLock::Taken;
    }
    const bool held = GetLastError() == ERROR_LOCK_VIOLATION;
    CloseHandle(file);
    return held ? FileLock::HeldElsewhere : FileLock::Unusable;
}
