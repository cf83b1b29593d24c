vuro_plugin_run_process = "not a function"
