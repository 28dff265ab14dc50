#pragma once

// The program's command line and the collector that answers it without a window: it runs views
// into a document and writes it as text, HTML or JSON. Nothing here creates a widget or needs a
// display.

#include "documents/Compare.h"
#include "documents/Document.h"
#include "documents/Export.h"
#include "platform/Process.h"
#include "text/Text.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tg {

class IniFile;
class RunContext;

// One view to run and the argument text of its command.
struct CollectView {
    Text label;
    Text args;
};

// The views 一括取得 and --collect run unless told otherwise.
std::vector<CollectView> defaultCollectList();

// "LABEL ARGS" as the settings file and --view write it, and back.
Text collectViewText(const CollectView& view);
CollectView collectViewOf(TextView text);

// The 一括取得 list the settings file keeps (section COLLECT, keys V0, V1, …); the default list
// when the section is missing or holds no view.
std::vector<CollectView> collectListOf(const IniFile& settings);
// Replaces the kept list with this one. Throws tg::Error when the file cannot be written.
void keepCollectList(IniFile& settings, const std::vector<CollectView>& list);

// Why a view of the list cannot be run; none when it can.
std::optional<Text> collectViewProblem(const CollectView& view, bool isNT);

enum class CollectFormat { Text, Html, Json };

// What the command line asks for.
struct ProgramArguments {
    enum class Action { Window, Help, Version, Collect, Compare };
    Action action = Action::Window;
    Text file; // Window: a document to open (may be empty); Collect: the file to write
    CollectFormat format = CollectFormat::Text;
    std::vector<CollectView> views; // Collect: empty for the settings file's 一括取得 list
    Text oldFile, newFile;          // Compare: the two documents
    CompareOptions compareOptions;
};

// Reads the arguments after the program's name. Arguments of the toolkit's own (-platform X,
// -style X, …) are left for it and allowed only with the window. names, where given, holds the
// same arguments as file names (fromNativePath), which a file argument is taken from. Throws
// tg::Error with a line naming the fault when the arguments are not a valid form.
ProgramArguments parseProgramArguments(const std::vector<Text>& arguments, bool isNT,
                                       const std::vector<Text>& names = {});

// The text --help prints (cp932).
Text usageText();

// What a collection takes from its surroundings.
struct CollectEnvironment {
    bool isNT = true;
    std::function<void(RunContext&)> systemReport{};
    // Starts a command's child process; none uses the platform's own way.
    std::function<std::unique_ptr<platform::ChildProcess>(const Text& commandLine, bool isNT,
                                                          const platform::WakeSignal& wake)>
        startChild{};
    // Where a message line goes (cp932); none: standard error.
    std::function<void(const Text&)> errorLine{};
    // The header of an export; none asks the platform.
    std::optional<ExportHeader> header{};
    // Where the settings file is, asked only when no view is given; none or an empty path: the
    // default list. The file is only read.
    std::function<std::filesystem::path()> settingsFile{};
    // Set to stop the collection: the running view is aborted as the window's abort does and the
    // rest are skipped. None: collectInto runs to the end, collect stops on the console's Ctrl+C.
    const platform::WakeSignal* stop = nullptr;
};

// A document with every view present, as the window has it at start.
Document freshDocument(bool isNT);

// Runs each view into the document, in order, each with its record; false when one of them could
// not run at all (its message has gone to errorLine).
bool collectInto(Document& document, const std::vector<CollectView>& views,
                 const CollectEnvironment& environment);

// The file's bytes for a format: the document file's, or an export's.
std::string collectedBytes(const Document& document, CollectFormat format,
                           const ExportHeader& header);

// The header of an export made now on this computer.
ExportHeader exportHeaderNow();

// The labels documents are compared by: every view of the catalogue, whichever family of the
// system wrote the documents.
std::vector<Text> compareLabels();

// The views' sections of a document file, read as an open reads them. Throws tg::Error whose text
// names the file and the reason.
DocumentSections readComparedDocument(const std::filesystem::path& path);

// --compare as a whole: the comparison on standard output; the exit status as diff(1) has it:
// 0 the same, 1 different, 2 a file could not be read or written out.
int compareCommand(const ProgramArguments& arguments, const CollectEnvironment& environment);

// --collect as a whole; the exit status: 0 written, 1 not written or a view did not run.
int collect(const ProgramArguments& arguments, const CollectEnvironment& environment);

// The command line of the program: the exit status when it has been answered, none when the
// window is to start (arguments then says with which document).
std::optional<int> answerCommandLine(int argc, char** argv, ProgramArguments& arguments,
                                     const CollectEnvironment& environment);

} // namespace tg
