// Resource identifiers shared by plugdebug.rc and the dialog's code. The control
// identifiers are those of app/dialog_template.h.
#pragma once

#define IDD_VURO_DIRECT_SCRIPT_PLUGIN_TEST_DIALOG 102
#define IDR_MAINFRAME 128

// The candidate preview: the link the dialog gains below the Run button, and the window.
#define IDC_PREVIEW_LINK 1008
#define IDD_CANDIDATE_PREVIEW 103
#define IDC_PREVIEW_LIST 1101
#define IDC_PREVIEW_COMMENT 1102
#define IDC_PREVIEW_NOTE 1103
