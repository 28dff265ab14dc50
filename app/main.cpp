#include "app/AboutBox.h"
#include "app/Application.h"
#include "app/Splash.h"
#include "app/Unit1.h"
#include "documents/QRMDForm.h"
#include "platform/Com.h"
#include "platform/Memory.h"
#include "platform/SystemValues.h"
#include "sysinfo/SystemReportBody.h"

#include <QPointer>

int main(int argc, char* argv[]) {
    tg::platform::initializeCom();
    tg::platform::useLargePagesForLargeBuffers();
    {
        tg::Application application(argc, argv);
        QPointer<TSplash> splash;
        try {
            splash = new TSplash;
            splash->showNow();

            MainFormEnvironment environment;
            environment.isNT = tg::platform::isNT();
            environment.executablePath = tg::runningExecutablePath();
            environment.systemReport = tg::systemReportBody();
            TMainForm mainForm(environment);
            MainForm = &mainForm;
            TQRMDForm qrmdForm;
            QRMDForm = &qrmdForm;
            TAboutBox aboutBox;
            AboutBox = &aboutBox;

            mainForm.show();
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
