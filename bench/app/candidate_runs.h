#pragma once
// A run as the preview benchmarks give it to a dialog's preview.
#include <string>

#include "app/debugger_controller.h"

namespace vuro_plugin {

// A completed run of `count` candidates, each with alternative, info and a comment as the
// bridge writes one (a heading and twenty lines); `tag` tells the runs apart.
inline run_result run_with_candidates(int count, const std::u16string& tag) {
    run_result run;
    run.result = run_result::outcome::completed;
    run.timings = {90, 210};
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        const std::u16string number(n.begin(), n.end());
        const std::u16string title = tag + u"候補" + number;
        std::u16string comment =
            u"<?xml version=\"1.0\" encoding=\"UTF-8\" ?><html "
            u"xmlns=\"http://www.w3.org/1999/xhtml\"><head></head><body><h2>" +
            title + u"</h2>";
        for (int line = 0; line < 20; ++line) comment += u"説明の行です。<br />";
        comment += u"</body></html>";
        run.candidates.items.push_back(
            {title, comment, u"definite_string", title, u"別名" + number, u"情報"});
    }
    return run;
}

}  // namespace vuro_plugin
