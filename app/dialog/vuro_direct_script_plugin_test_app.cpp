#include "app/dialog/vuro_direct_script_plugin_test_app.h"

#include "app/dialog/vuro_direct_script_plugin_test_dlg.h"
#include "app/product_info.h"

Cvuro_direct_script_plugin_testApp::Cvuro_direct_script_plugin_testApp(int& argc, char** argv)
    : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("plugdebug"));
    setApplicationVersion(QString::fromLatin1(vuro_plugin::product::version));
    setDesktopFileName(QStringLiteral("plugdebug"));
}

bool Cvuro_direct_script_plugin_testApp::InitInstance() {
    Cvuro_direct_script_plugin_testDlg dialog;
    dialog.exec();
    return false;
}
