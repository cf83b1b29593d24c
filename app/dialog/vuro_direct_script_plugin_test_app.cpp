#include "app/dialog/vuro_direct_script_plugin_test_app.h"

#include "app/dialog/vuro_direct_script_plugin_test_dlg.h"
#include "app/product_info.h"
#include "platform/termination_signals.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <exception>
#include <optional>

Cvuro_direct_script_plugin_testApp::Cvuro_direct_script_plugin_testApp(int& argc, char** argv)
    : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("plugdebug"));
    setApplicationVersion(QString::fromLatin1(vuro_plugin::product::version));
    setDesktopFileName(QStringLiteral("plugdebug"));
    install_japanese_qt_texts(*this);
}

// Debian's translations of Qt's own texts (qt6-translations-l10n): the rest of the window
// speaks Japanese whatever the locale, so the context menus and buttons do too. Without
// the file the texts stay English.
void install_japanese_qt_texts(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

int Cvuro_direct_script_plugin_testApp::InitInstance() {
    Cvuro_direct_script_plugin_testDlg dialog;
    // A terminal's or the system's request to end stops the run (its interpreter ended,
    // its bridge file deleted) and closes the dialog; the program then ends with the
    // request's exit code. Without the hand-over the dialog still works, as before.
    std::optional<platform::termination_signals> end_requests;
    try {
        end_requests.emplace([&dialog](int) { dialog.close_from_any_thread(); });
    } catch (const std::exception&) {
    }
    dialog.exec();
    return end_requests ? end_requests->received() : 0;
}
