#include "app/vantel.h"

#include "app/apppaths.h"
#include "app/easythreadmgr.h"
#include "app/firstpaintprobe.h"
#include "app/vanteldlg.h"
#include "appearance/trace.h"

QString g_strAppPath;

CVantelApp::CVantelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("vantel"));
}

bool CVantelApp::InitInstance() {
    g_strAppPath = vantel::AppDirOf(applicationFilePath());
    vantel::ThreadTraceSink() = [](const std::string& line) { vantel::Trace("%s", line.c_str()); };

    CVantelDlg dlg;
    vantel::FirstPaintProbe::InstallIfRequested(&dlg);
    dlg.DoModal();
    return false;
}
