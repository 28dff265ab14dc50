#include "platform/Com.h"

namespace tg::platform {

void initializeCom() {}

void uninitializeCom() {}

} // namespace tg::platform
