#pragma once

#include "text/Text.h"

namespace tg {

// What the run request reads from the input controls of the current view.
struct RunInputs {
    Text option;     // cmbOption
    Text option2;    // Edit_option2
    Text target;     // Edit_target
    Text freeOption; // Edit_option
};

struct CommandParts {
    Text word; // command word; empty for the system-information view
    Text args; // argument text, taken exactly as typed
};

// The combo item "なし" stands for no option at all.
Text optionText(const Text& comboText);

// False when the slot needs a target and the target box is empty (blanks count as a target).
bool checkTarget(int slot, const Text& target);

// The command word and argument text a run of the slot starts with.
CommandParts commandFor(int slot, const RunInputs& inputs);

// The boxes whose texts the command line of a slot takes in.
struct InputsUsed {
    bool option = false;
    bool option2 = false;
    bool target = false;
};
InputsUsed inputsUsed(int slot);

// Whether the command changes this computer's network settings, so that the user is asked first:
// ipconfig /release and /renew (and their IPv6 forms), arp -s and -d, route add, delete and change,
// and route -f, which empties the routing table. Options are read as the commands read them: in
// any letter case, with "-" or "/".
bool changesNetworkSettings(const CommandParts& command);

// The command line the runner starts: the word, one blank, the argument text.
Text commandLineOf(const Text& word, const Text& args);

} // namespace tg
