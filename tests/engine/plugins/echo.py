# Test plug-in: answers with candidates that carry the request's fields back (see echo.pl
# and echo.rb, which answer alike).
import sys
import time


def print_request(request):
    for key in sorted(request):
        sys.stdout.write("%s=%s\n" % (key, request[key]))


def hundred():
    """100 candidates with every field, for the benchmark."""
    return [{"hyoki": "候補%d" % index, "comment_xhtml": "説明 <b>%d</b> & more" % index,
             "alternative_type": "definite_string", "alternative": "確定%d" % index,
             "alternative_alias": "別名%d" % index, "info": "info"} for index in range(100)]


def vuro_plugin_run_process(request):
    if request["composition_string"] == "hundred":
        return {"candidate": hundred()}
    if request["composition_string"] == "sleep":
        time.sleep(120)
    if request["composition_string"] == "noise":
        sys.stdout.write("noise before the document")
    path = request.get("path")
    return {"candidate": [
        {"hyoki": request["composition_string"], "comment_xhtml": request["reading_string"],
         "alternative_type": "definite_string", "alternative": request["composition_string"],
         "alternative_alias": request["proxy_username"], "info": str(request["proxy_port"])},
        {"hyoki": "address", "comment_xhtml": request["proxy_name"],
         "alternative_type": "url_jump_string", "alternative": "ftp://example.com/"},
        {"hyoki": "password", "comment_xhtml": request["proxy_password"],
         "alternative_type": "url_jump_string", "alternative": "https://example.com/",
         "alternative_alias": "web"},
        {"hyoki": "path", "comment_xhtml": path} if path is not None else {"hyoki": "no path"},
    ]}


def vuro_plugin_run_callback(request):
    print_request(request)


def vuro_plugin_run_preference(request):
    print_request(request)
