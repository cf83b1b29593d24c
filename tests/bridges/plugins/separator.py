# Test plug-in printing a line as separator.pl and separator.rb do (Python has no output
# record separator).


def vuro_plugin_run_process(request):
    print("mine")
    return {"candidate": [{"hyoki": "x"}]}
