#pragma once
// The debugger view of the command line: the pieces of output go to standard output and
// standard error as the interpreter wrote them, messages go to standard error.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "app/debugger_view.h"

namespace vuro_plugin::cli {

class cli_view final : public debugger_view {
public:
    cli_view(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    const std::vector<std::u16string>& plugin_items() const { return items_; }

    bool wants_box_text() const override { return false; }
    void clear_boxes() override {}
    void append_to_box(output_box box, const box_piece& piece) override;
    void enable_refresh(bool) override {}
    void enable_run(bool) override {}
    void set_progress(int) override {}
    void show_plugin_list(const std::vector<std::u16string>& names) override { items_ = names; }
    void repaint() override {}
    void show_message(const std::u16string& text) override;

private:
    std::ostream& out_;
    std::ostream& err_;
    std::vector<std::u16string> items_;
};

// A message's text for a terminal: UTF-8 with LF line ends.
std::string terminal_text(const std::u16string& text);

// A call's wall time for a person, "0.21 s"; "not made" for -1.
std::string seconds_text(std::int64_t milliseconds);

}  // namespace vuro_plugin::cli
