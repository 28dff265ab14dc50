#include "commands/ViewCatalogue.h"

#include "resources/StringTable.h"

namespace tg {

namespace {

// Labels and commands are ASCII and so the same bytes in code page 932.
constexpr std::array<SlotInfo, kSlotCount> kSlots{{
    {"winconf", "winconf", "", 0, 0, "", false, false, false, false},
    {"ipconfig", "ipconfig", "ipconfig", 101, 1, "", false, true, true, false},
    {"arp", "arp", "arp", 102, 0, "", false, true, true, false},
    {"route", "route", "route", 103, 0, "", false, true, true, false},
    {"ping", "ping", "ping", 104, 0, "", true, true, false, true},
    {"tracert", "tracert", "tracert", 105, 0, "", true, true, false, true},
    {"netstat", "netstat", "netstat", 106, 0, "-an", false, true, true, false},
    {"nslookup", "nslookup", "nslookup", 0, 0, "", true, false, false, true},
    {"net", "net", "net", 108, 0, "", false, true, true, false},
    {"nbtstat", "n&btstat", "nbtstat", 109, 0, "", true, true, false, false},
}};

} // namespace

const SlotInfo& slotInfo(int slot) {
    return kSlots.at(static_cast<size_t>(slot));
}

int viewCount(bool isNT) {
    return isNT ? kSlotCount : kSlotCount - 1;
}

int slotOfView(int viewIndex, bool isNT) {
    return (viewIndex >= kSlotNslookup && !isNT) ? viewIndex + 1 : viewIndex;
}

Text initialText(int slot) {
    return loadString(slot + 10) + loadString(slot);
}

Text commandHelpText(int slot) {
    return loadString(slot);
}

} // namespace tg
