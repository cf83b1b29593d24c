#pragma once
// The debugger program: it shows its one dialog modally and ends when the dialog closes.
#include <QApplication>

class Cvuro_direct_script_plugin_testApp : public QApplication {
public:
    Cvuro_direct_script_plugin_testApp(int& argc, char** argv);

    // Shows the dialog and returns once it has been closed, with the program's exit code
    // (that of a termination signal that closed it, else 0); there is no event loop
    // outside the dialog's own.
    int InitInstance();
};

// Qt's own texts (context menus, standard buttons) in Japanese, from the system's Qt
// translations; nothing changes when they are not installed.
void install_japanese_qt_texts(QCoreApplication& application);
