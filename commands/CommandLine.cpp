#include "commands/CommandLine.h"

#include "commands/ViewCatalogue.h"
#include "text/Codec.h"

namespace tg {

Text optionText(const Text& comboText) {
    static const Text none = utf8ToCp932("なし");
    return comboText == none ? Text() : comboText;
}

bool checkTarget(int slot, const Text& target) {
    return !slotInfo(slot).targetRequired || !target.empty();
}

CommandParts commandFor(int slot, const RunInputs& in) {
    const Text word = slotInfo(slot).command;
    const Text option = optionText(in.option);
    switch (slot) {
    case 0:
        return {};
    case 1:
        return {word, option};
    case 2:
    case 3:
    case 6:
    case 8:
        return {word, option + " " + in.option2};
    case 7:
        return {word, in.freeOption + " " + in.target};
    default: // ping, tracert, nbtstat
        return {word, option + " " + in.target};
    }
}

InputsUsed inputsUsed(int slot) {
    switch (slot) {
    case 0:
        return {};
    case 1:
        return {true, false, false};
    case 2:
    case 3:
    case 6:
    case 8:
        return {true, true, false};
    case 7:
        return {false, false, true};
    default:
        return {true, false, true};
    }
}

Text commandLineOf(const Text& word, const Text& args) {
    return word + " " + args;
}

} // namespace tg
