// Last-error codes of the native layer and the faults tests switch on. Not for code outside
// platform/.
#pragma once

#include "platform/posix/win32_types.h"

namespace winlayer {

void SetError(DWORD code);
DWORD ErrorFromErrno(int err);

// Faults that tests switch on to reach the layer's fallback paths: OBJSTORE_LAYER_TEST_FAULTS holds
// a comma-separated list of names ("no-pidfd", "no-close-range", "no-proc-fds").
bool TestFault(const char* name);

}  // namespace winlayer
