#include "app/RecentInputs.h"

#include "text/Error.h"
#include "text/IniFile.h"
#include "ui/Suggestions.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

namespace tg {

RecentInputs::RecentInputs(QLineEdit* target, QComboBox* option, QLineEdit* option2)
    : fields_{Field{RecentValues("TARGETS", "T"), new Suggestions(target, true)},
              // The combo keeps its Down key for its own items.
              Field{RecentValues("OPTIONS", "O"), new Suggestions(option->lineEdit(), false)},
              Field{RecentValues("OPTIONS2", "S"), new Suggestions(option2, true)}} {}

void RecentInputs::load(const IniFile& ini) {
    for (Field& field : fields_) {
        field.values.load(ini);
        field.suggestions->setValues(field.values.values());
    }
}

void RecentInputs::remember(int slot, const RunInputs& inputs, const StringList& comboItems,
                            IniFile& ini) {
    const InputsUsed used = inputsUsed(slot);
    const bool typedOption = used.option && std::find(comboItems.begin(), comboItems.end(),
                                                      inputs.option) == comboItems.end();
    const std::pair<bool, const Text*> entered[] = {{used.target, &inputs.target},
                                                    {typedOption, &inputs.option},
                                                    {used.option2, &inputs.option2}};
    for (size_t i = 0; i < fields_.size(); ++i) {
        Field& field = fields_[i];
        if (!entered[i].first || !field.values.add(*entered[i].second))
            continue;
        field.suggestions->setValues(field.values.values());
        if (ini.path().empty())
            continue;
        try {
            field.values.save(ini);
        } catch (const Error&) {
            // A settings file that cannot be written costs only the suggestions of later
            // starts; the run goes on, and this session keeps its lists.
        }
    }
}

} // namespace tg
