def vuro_plugin_run_process(request)
    return {"candidate": []}
