#pragma once

#include "text/Text.h"

#include <array>

namespace tg {

// The fixed table of the ten views. A view's slot is its row here; its view index is its position
// among the views present, which differs only after nslookup where the platform is not NT.
constexpr int kSlotCount = 10;
constexpr int kSlotNslookup = 7;
constexpr int kSlotNetstat = 6;

struct SlotInfo {
    const char* label;       // tab, tree node and document heading
    const char* toolCaption; // Tools-menu caption
    const char* command;     // command word; empty for the system-information view
    int optionListId;        // string-table id of the option list; 0 when the combo is not shown
    int initialItem;         // combo item selected at first
    const char* extraText;   // combo text set after filling (netstat's "-an"), or empty
    bool showTarget;         // Panel_target visible
    bool showOption;         // Panel_option (and with it cmbOption) visible
    bool showOption2;        // Edit_option2 visible
    bool targetRequired;
};

const SlotInfo& slotInfo(int slot);

// Number of views present: 10 on NT-family systems, 9 without nslookup otherwise.
int viewCount(bool isNT);

int slotOfView(int viewIndex, bool isNT);

// The view's initial (and default) text: overview followed by the options help.
Text initialText(int slot);

// The view's command-help text: the options help alone.
Text commandHelpText(int slot);

} // namespace tg
