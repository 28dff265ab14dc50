#include "commands/CommandLine.h"

#include "commands/ViewCatalogue.h"
#include "text/Codec.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

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

namespace {

// The argument text's words in lower case; the commands split at blanks and tabs.
std::vector<Text> lowerWords(const Text& args) {
    std::vector<Text> words;
    Text word;
    for (char c : args + " ") {
        if (c == ' ' || c == '\t') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        }
    }
    return words;
}

bool isOption(const Text& word) {
    return word[0] == '-' || word[0] == '/';
}

// An option among the words, with either lead character.
bool hasOption(const std::vector<Text>& words, std::initializer_list<const char*> names) {
    return std::any_of(words.begin(), words.end(), [&](const Text& word) {
        return isOption(word) && std::any_of(names.begin(), names.end(), [&](const char* name) {
                   return word.compare(1, Text::npos, name) == 0;
               });
    });
}

} // namespace

bool changesNetworkSettings(const CommandParts& command) {
    const std::vector<Text> words = lowerWords(command.args);
    if (command.word == "ipconfig")
        return hasOption(words, {"release", "release6", "renew", "renew6"});
    if (command.word == "arp")
        return hasOption(words, {"s", "d"});
    if (command.word == "route") {
        if (hasOption(words, {"f"}))
            return true;
        // The first word that is no option is route's own command.
        auto verb = std::find_if(words.begin(), words.end(),
                                 [](const Text& word) { return !isOption(word); });
        return verb != words.end() && (*verb == "add" || *verb == "delete" || *verb == "change");
    }
    return false;
}

Text commandLineOf(const Text& word, const Text& args) {
    return word + " " + args;
}

} // namespace tg
