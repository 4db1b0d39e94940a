#pragma once

// Root reads and writes past any permission bits, and the tests run as root
// in CI. While one of these lives, the calling thread loses that override,
// so a file with mode 000 is unreadable for root too. Linux only; elsewhere
// (and without the right to change it) active() is false and tests skip.
class PermissionBitsApply
{
public:
    PermissionBitsApply();
    ~PermissionBitsApply();
    PermissionBitsApply(const PermissionBitsApply &) = delete;
    PermissionBitsApply &operator=(const PermissionBitsApply &) = delete;

    bool active() const { return m_changed || !m_isRoot; }

private:
    bool m_isRoot = false;
    bool m_changed = false;
};
