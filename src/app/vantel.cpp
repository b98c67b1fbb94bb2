#include "app/vantel.h"

#include "app/apppaths.h"
#include "app/easythreadmgr.h"
#include "app/firstpaintprobe.h"
#include "app/vanteldlg.h"
#include "appearance/skin.h"
#include "appearance/trace.h"
#include "buildconfig.h"

QString g_strAppPath;

CVantelApp::CVantelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("vantel"));
    setApplicationVersion(QStringLiteral(VANTEL_VERSION));
}

bool CVantelApp::InitInstance() {
    g_strAppPath = vantel::AppDirOf(applicationFilePath());
    vantel::ThreadTraceSink() = [](const std::string& line) { vantel::Trace("%s", line.c_str()); };

    // Before any window exists, so that every window is drawn by the skin: the one beside the
    // program, or else the one installed with it (<prefix>/share/vantel).
    LoadSkin(vantel::SkinFilePath(g_strAppPath,
                                  g_strAppPath + QStringLiteral("/" VANTEL_DATA_DIR_FROM_BIN)));
    CVantelDlg dlg;
    vantel::FirstPaintProbe::InstallIfRequested(&dlg);
    dlg.DoModal();
    return false;
}
