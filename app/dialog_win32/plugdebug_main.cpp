#include <windows.h>

#include "app/dialog_win32/vuro_direct_script_plugin_test_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Cvuro_direct_script_plugin_testApp app;
    app.InitInstance();
    return 0;
}
