#pragma once

#include "commands/CommandLine.h"
#include "commands/RecentValues.h"
#include "text/StringList.h"

#include <array>

class QComboBox;
class QLineEdit;

namespace tg {

class IniFile;
class Suggestions;

// The values runs started with, offered again in the boxes they were typed into: the target,
// the option combo's typed text and the second option, one list each for all views.
class RecentInputs {
public:
    RecentInputs(QLineEdit* target, QComboBox* option, QLineEdit* option2);

    void load(const IniFile& ini);

    // A run of the slot starts with these inputs. Every value its command line takes joins its
    // box's list, except the combo's own items; the lists that changed are written.
    void remember(int slot, const RunInputs& inputs, const StringList& comboItems, IniFile& ini);

private:
    struct Field {
        RecentValues values;
        Suggestions* suggestions;
    };
    std::array<Field, 3> fields_; // target, option, second option
};

} // namespace tg
