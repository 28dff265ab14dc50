#include "platform/Com.h"

#include <objbase.h>

namespace tg::platform {

void initializeCom() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
}

void uninitializeCom() {
    CoUninitialize();
}

} // namespace tg::platform
