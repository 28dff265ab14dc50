#include "app/Unit1.h"
#include "documents/QRMDForm.h"
#include "platform/SystemValues.h"
#include "sysinfo/SystemReportBody.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TIDEGAUGE-INFO"));

    MainFormEnvironment environment;
    environment.isNT = tg::platform::isNT();
    // The settings file sits beside the executable and is named after it.
    environment.iniPath =
        std::filesystem::path(QCoreApplication::applicationFilePath().toStdU16String())
            .replace_extension(".INI");
    environment.systemReport = tg::systemReportBody();
    TMainForm mainForm(environment);
    MainForm = &mainForm;
    TQRMDForm qrmdForm;
    QRMDForm = &qrmdForm;
    mainForm.show();
    QApplication::exec();
    return 0;
}
