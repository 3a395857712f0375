#include "platform/posix/Errors.h"

#include <cerrno>

namespace tq::posix {

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}

DWORD ErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
        case ENOTDIR:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        // A device that is gone: usblp says ENODEV after an unplug, a pseudo-terminal EIO after
        // its other side closed, a serial adapter ENXIO when its node outlived it.
        case ENODEV:
        case EIO:
        case ENXIO:
        case ESHUTDOWN:
        case EPIPE:
            return ERROR_DEVICE_NOT_CONNECTED;
        case EBUSY:
            return ERROR_SHARING_VIOLATION;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case ENOTTY:
        case EOPNOTSUPP:
            return ERROR_NOT_SUPPORTED;
        case ECANCELED:
            return ERROR_OPERATION_ABORTED;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        default:
            return ERROR_GEN_FAILURE;
    }
}

void SetLastErrorCode(DWORD error) {
    t_lastError = error;
}

DWORD LastErrorCode() {
    return t_lastError;
}

BOOL Fail(DWORD error) {
    t_lastError = error;
    return FALSE;
}

HANDLE FailHandle(DWORD error) {
    t_lastError = error;
    return INVALID_HANDLE_VALUE;
}

}  // namespace tq::posix
