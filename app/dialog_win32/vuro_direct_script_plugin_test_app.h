#pragma once
// The debugger program: it shows its one dialog modally and ends when the dialog closes.
#include <windows.h>

class Cvuro_direct_script_plugin_testApp {
public:
    // Starts the common controls and shows the dialog; returns false once it has been
    // closed, as there is no message loop outside the dialog's own.
    BOOL InitInstance();
};
