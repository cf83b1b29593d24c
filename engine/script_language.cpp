#include "engine/script_language.h"

#include "engine/bridges/stored_bridges.h"

namespace vuro_plugin {

const std::vector<script_language>& script_languages() {
    static const std::vector<script_language> languages{
        {u"Perl", u"perl", u".pl", stored_perl_bridge()},
        {u"Ruby", u"ruby", u".rb", stored_ruby_bridge()},
        {u"Python", u"python", u".py", stored_python_bridge()},
    };
    return languages;
}

}  // namespace vuro_plugin
