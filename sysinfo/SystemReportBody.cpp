#include "sysinfo/SystemReportBody.h"

#include "platform/SystemValues.h"
#include "platform/WmiSource.h"
#include "sysinfo/SystemReport.h"

namespace tg {

std::function<void(RunContext&)> systemReportBody() {
    return [](RunContext& run) {
        LocalSystemValues values;
        values.computerName = platform::computerName();
        values.windowsFolder = platform::windowsDirectory();
        platform::MemoryStatus m = platform::memoryStatus();
        values.memory = {m.totalPhys, m.availPhys, m.totalVirtual, m.availVirtual, m.totalPageFile};
        auto source = platform::createSystemInfoSource();
        buildSystemReport(run, *source, values);
    };
}

} // namespace tg
