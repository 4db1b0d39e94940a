#include "instancelock.h"

#include "startuplog.h"

#include <QDir>
#include <QStandardPaths>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <vector>

namespace {

// The token's user and the owner it gives new files (an elevated
// administrator's may be the Administrators group).
std::vector<BYTE> tokenPart(TOKEN_INFORMATION_CLASS part)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, part, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, part, buffer.data(), size, &size))
        buffer.clear();
    CloseHandle(token);
    return buffer;
}

PSID userSid(const std::vector<BYTE> &user)
{
    return user.empty() ? nullptr : reinterpret_cast<const TOKEN_USER *>(user.data())->User.Sid;
}

bool ownedByThisUser(HANDLE file)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                        nullptr, &descriptor)
        != ERROR_SUCCESS)
        return false;
    const std::vector<BYTE> user = tokenPart(TokenUser);
    const std::vector<BYTE> defaultOwner = tokenPart(TokenOwner);
    const PSID ownerOfNew = defaultOwner.empty()
        ? nullptr
        : reinterpret_cast<const TOKEN_OWNER *>(defaultOwner.data())->Owner;
    const bool mine = (userSid(user) && EqualSid(owner, userSid(user)))
        || (ownerOfNew && EqualSid(owner, ownerOfNew));
    LocalFree(descriptor);
    return mine;
}

// A regular file on disk: not a folder, a link or a device.
bool isPlainFile(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info {};
    return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info)
        && !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

} // namespace

InstanceLock::~InstanceLock()
{
    if (m_file != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_file));
}

InstanceLock::FileLock InstanceLock::lockFile(const QString &path)
{
    // Shared opening, so that a virus scanner or an indexer reading the file
    // is not taken for another copy; the byte-range lock is the claim. A
    // planted link is opened as itself, and then refused.
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE file
        = CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        qCDebug(lcStartup) << "instance lock skipped:" << path << "error" << GetLastError();
        return FileLock::Unusable;
    }
    if (!isPlainFile(file) || !ownedByThisUser(file)) {
        qCDebug(lcStartup) << "instance lock skipped:" << path
                           << "is not a regular file of this user";
        CloseHandle(file);
        return FileLock::Unusable;
    }
    OVERLAPPED start {};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start)) {
        m_file = reinterpret_cast<qintptr>(file);
        return FileLock::Taken;
    }
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (error == ERROR_LOCK_VIOLATION)
        return FileLock::HeldElsewhere;
    qCDebug(lcStartup) << "instance lock skipped:" << path << "error" << error;
    return FileLock::Unusable;
}

QStringList InstanceLock::defaultFiles()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        qCDebug(lcStartup) << "no runtime folder for the instance lock";
    return { runtime.isEmpty() ? QString() : QDir(runtime).filePath("voice-player.lock"),
             QDir(QDir::tempPath()).filePath(QString("voice-player-%1.lock").arg(userId())) };
}

// The user's SID, which no other account shares.
QString InstanceLock::userId()
{
    const std::vector<BYTE> user = tokenPart(TokenUser);
    wchar_t *text = nullptr;
    if (!userSid(user) || !ConvertSidToStringSidW(userSid(user), &text))
        return QStringLiteral("unknown");
    const QString id = QString::fromWCharArray(text);
    LocalFree(text);
    return id;
}
