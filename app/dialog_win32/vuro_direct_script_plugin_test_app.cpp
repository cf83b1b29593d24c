#include "app/dialog_win32/vuro_direct_script_plugin_test_app.h"

#include <commctrl.h>

#include "app/dialog_win32/vuro_direct_script_plugin_test_dlg.h"

BOOL Cvuro_direct_script_plugin_testApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    Cvuro_direct_script_plugin_testDlg dialog;
    dialog.DoModal();
    return FALSE;
}
