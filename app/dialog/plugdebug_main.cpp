#include "app/dialog/vuro_direct_script_plugin_test_app.h"

int main(int argc, char** argv) {
    Cvuro_direct_script_plugin_testApp app(argc, argv);
    return app.InitInstance();
}
