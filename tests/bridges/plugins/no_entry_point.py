def vuro_plugin_run_preference(request):
    pass
