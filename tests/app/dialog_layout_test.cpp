#include "app/dialog_layout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <tuple>

namespace vuro_plugin {

bool operator==(const dialog_rect& a, const dialog_rect& b) {
    return std::tie(a.x, a.y, a.width, a.height) == std::tie(b.x, b.y, b.width, b.height);
}
std::ostream& operator<<(std::ostream& out, const dialog_rect& r) {
    return out << '{' << r.x << ", " << r.y << ", " << r.width << ", " << r.height << '}';
}

namespace {

// The rule in dialog units: the template as it is, the window's size in the same unit.
const window_size minimum{dialog_width_units, dialog_height_units};

std::vector<dialog_rect> lay_out(window_size client) {
    const std::vector<template_control>& controls = dialog_template();
    const std::vector<control_growth> growth = growth_of(controls);
    std::vector<dialog_rect> rects;
    for (std::size_t i = 0; i < controls.size(); ++i)
        rects.push_back(place(controls[i].rect, growth[i], minimum, client));
    return rects;
}

std::size_t index_of(control_id id) {
    const std::vector<template_control>& controls = dialog_template();
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].id == id) return i;
    return controls.size();
}

TEST(dialog_layout, the_output_boxes_share_what_the_window_adds_and_nothing_else_moves) {
    const struct {
        const char* what;
        window_size client;
        dialog_rect output, error_label, error;
    } cases[] = {
        {"the template's size",
         {360, 198},
         {152, 24, 200, 70},
         {152, 104, 144, 8},
         {152, 120, 200, 70}},
        {"below the minimum",
         {200, 100},
         {152, 24, 200, 70},
         {152, 104, 144, 8},
         {152, 120, 200, 70}},
        {"wider", {460, 198}, {152, 24, 300, 70}, {152, 104, 144, 8}, {152, 120, 300, 70}},
        {"taller", {360, 298}, {152, 24, 200, 120}, {152, 154, 144, 8}, {152, 170, 200, 120}},
        {"one more each way: the odd unit to the lower box",
         {361, 199},
         {152, 24, 201, 70},
         {152, 104, 144, 8},
         {152, 120, 201, 71}},
        {"narrower but taller",
         {300, 401},
         {152, 24, 200, 171},
         {152, 205, 144, 8},
         {152, 221, 200, 172}},
    };
    const std::size_t output = index_of(id_standard_output);
    const std::size_t error = index_of(id_standard_error);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<dialog_rect> rects = lay_out(c.client);
        EXPECT_EQ(rects[output], c.output);
        EXPECT_EQ(rects[error - 1], c.error_label);
        EXPECT_EQ(rects[error], c.error);
        for (std::size_t i = 0; i < rects.size(); ++i) {
            if (i == output || i == error - 1 || i == error) continue;
            EXPECT_EQ(rects[i], dialog_template()[i].rect) << "control " << i;
        }
    }
}

}  // namespace
}  // namespace vuro_plugin
