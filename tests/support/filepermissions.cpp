#include "filepermissions.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#    include <linux/capability.h>
#    include <sys/syscall.h>
#    include <unistd.h>

namespace {

// Capabilities belong to a thread; only the caller's effective set changes,
// so they can be taken back.
bool setOverride(bool on)
{
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct data[2] {};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    for (const int cap : { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH }) {
        const unsigned bit = 1u << (cap % 32);
        data[cap / 32].effective
            = on ? data[cap / 32].effective | bit : data[cap / 32].effective & ~bit;
    }
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

PermissionBitsApply::PermissionBitsApply()
    : m_isRoot(geteuid() == 0), m_changed(m_isRoot && setOverride(false))
{ }

PermissionBitsApply::~PermissionBitsApply()
{
    if (m_changed)
        setOverride(true);
}

#else

PermissionBitsApply::PermissionBitsApply() = default;
PermissionBitsApply::~PermissionBitsApply() = default;

#endif
