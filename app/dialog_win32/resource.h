// Resource identifiers shared by plugdebug.rc and the dialog's code. The control
// identifiers are those of app/dialog_template.h.
#pragma once

#define IDD_VURO_DIRECT_SCRIPT_PLUGIN_TEST_DIALOG 102
#define IDR_MAINFRAME 128
