#pragma once
// The debugger view of the command line: the pieces of output go to standard output and
// standard error as the interpreter wrote them, messages go to standard error.
#include <ostream>
#include <string>
#include <vector>

#include "app/debugger_view.h"

namespace vuro_plugin::cli {

class cli_view final : public debugger_view {
public:
    cli_view(std::u16string lookup_text, std::ostream& out, std::ostream& err)
        : lookup_(std::move(lookup_text)), out_(out), err_(err) {}

    const std::vector<std::u16string>& plugin_items() const { return items_; }

    std::u16string lookup_text() const override { return lookup_; }
    std::u16string output_text(output_box box) const override { return texts_[index(box)]; }
    void set_output_text(output_box box, std::u16string text) override {
        texts_[index(box)] = std::move(text);
    }
    void output_appended(output_box box, std::string_view bytes) override;
    void output_cut(output_box box, const std::u16string& notice) override;
    void output_notice(output_box box, const std::u16string& notice) override;
    void enable_refresh(bool) override {}
    void enable_run(bool) override {}
    void set_progress(int) override {}
    void clear_plugin_items() override { items_.clear(); }
    void add_plugin_item(const std::u16string& name) override { items_.push_back(name); }
    void select_plugin_item(int index) override { selected_ = index; }
    int selected_plugin_item() const override { return selected_; }
    int plugin_item_width(const std::u16string&) const override { return 0; }
    int drop_down_frame_width() const override { return 0; }
    int drop_down_width() const override { return 0; }
    void set_drop_down_width(int) override {}
    void repaint() override {}
    void show_message(const std::u16string& text) override;

private:
    static int index(output_box box) { return box == output_box::standard_output ? 0 : 1; }

    std::u16string lookup_;
    std::ostream& out_;
    std::ostream& err_;
    std::u16string texts_[2];
    std::vector<std::u16string> items_;
    int selected_ = -1;
};

// A message's text for a terminal: UTF-8 with LF line ends.
std::string terminal_text(const std::u16string& text);

}  // namespace vuro_plugin::cli
