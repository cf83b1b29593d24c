#include "engine/run_script.h"
#include "app/debugger_controller.h"
