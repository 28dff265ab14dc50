#include "platform/SystemValues.h"

namespace tg::platform {

bool isNT() {
    return true;
}

} // namespace tg::platform
