#include "app/local_endpoint.h"

#include <string>

#include "platform/win32.h"
#include "util/cos_global_settings.h"

bool HonoursLocalEndpoint() {
#ifdef OBJSTORE_LOCAL_ENDPOINT
    return true;
#else
    return false;
#endif
}

void ApplyLocalEndpoint() {
    if (!HonoursLocalEndpoint()) return;
    char endpoint[256] = {};
    DWORD length = GetEnvironmentVariableA("OBJSTORE_ENDPOINT", endpoint, sizeof endpoint);
    if (length == 0 || length >= sizeof endpoint) return;
    objstore::CosGlobalSettings& settings = objstore::CosGlobalSettings::Instance();
    settings.SetForcedHost(endpoint);
    settings.SetUseForcedHost(true);
}
