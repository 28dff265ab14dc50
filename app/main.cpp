#include "app/AboutBox.h"
#include "app/Application.h"
#include "app/Collector.h"
#include "app/Splash.h"
#include "app/Unit1.h"
#include "documents/QRMDForm.h"
#include "platform/Com.h"
#include "platform/Memory.h"
#include "platform/ProgramFiles.h"
#include "platform/SystemValues.h"
#include "sysinfo/SystemReportBody.h"
#include "text/FileName.h"

#include <QPointer>
#include <QTimer>

#include <filesystem>
#include <optional>

namespace {

// The path the settings file and the help are named after. The console twin (tginfoc.exe) shares
// them with the window program beside it.
std::filesystem::path programFilesBase(std::filesystem::path running) {
#ifdef TG_CONSOLE_PROGRAM
    if (!running.empty())
        running.replace_filename(std::filesystem::path(L"tginfo.exe"));
#endif
    return running;
}

} // namespace

int main(int argc, char* argv[]) {
    tg::platform::initializeCom();
    tg::platform::useLargePagesForLargeBuffers();
    // The command line is answered before any toolkit object exists: the collector needs no
    // display.
    tg::ProgramArguments arguments;
    tg::CollectEnvironment collectEnvironment;
    collectEnvironment.isNT = tg::platform::isNT();
    collectEnvironment.systemReport = tg::systemReportBody();
    collectEnvironment.settingsFile = [] {
        const std::filesystem::path program = programFilesBase(tg::platform::runningProgramPath());
        return program.empty()
                   ? program
                   : tg::settingsFileToRead(program, tg::platform::userSettingsFolder());
    };
    if (std::optional<int> status =
            tg::answerCommandLine(argc, argv, arguments, collectEnvironment)) {
        tg::platform::uninitializeCom();
        return *status;
    }
    {
        tg::Application application(argc, argv);
        QPointer<TSplash> splash;
        try {
            splash = new TSplash;
            splash->showNow();

            MainFormEnvironment environment;
            environment.isNT = tg::platform::isNT();
            environment.executablePath = programFilesBase(tg::runningExecutablePath());
            environment.systemReport = tg::systemReportBody();
            TMainForm mainForm(environment);
            MainForm = &mainForm;
            TQRMDForm qrmdForm;
            QRMDForm = &qrmdForm;
            TAboutBox aboutBox;
            AboutBox = &aboutBox;

            mainForm.show();
            if (!arguments.file.empty()) {
                QTimer::singleShot(0, &mainForm, tg::guarded([&mainForm, &arguments] {
                                       mainForm.openDocument(tg::toNativePath(arguments.file));
                                   }));
            }
            tg::Application::exec();
            AboutBox = nullptr;
            QRMDForm = nullptr;
        } catch (...) {
            AboutBox = nullptr;
            QRMDForm = nullptr;
            tg::showHandledError();
        }
        // Gone already unless the program ended within its two seconds.
        delete splash;
    }
    tg::platform::uninitializeCom();
    return 0;
}
