#pragma once
// How the main dialog's controls follow the size of its window. The template's size is
// the least the window takes, and at it every control stands where the template puts it.
// Width added beyond it widens both output boxes; height added is shared between them,
// the upper box taking half (rounded down) and the lower box the rest, the lower box's
// label moving down with it. Everything else, the left column included, stays as it is.
#include <vector>

#include "app/dialog_template.h"

namespace vuro_plugin {

struct window_size {
    int width, height;
};

// How one control follows the window's size.
enum class control_growth {
    none,         // keeps its place and size
    upper_box,    // standard output: wider, and half of the added height
    lower_label,  // the label of the lower box: moves down with it
    lower_box,    // standard error: wider, moves down, the other half of the added height
};

// The growth of each control, in template order: box 1000 is the upper box, box 1001 the
// lower one, and the label just before box 1001 (its mnemonic's buddy) its label.
std::vector<control_growth> growth_of(const std::vector<template_control>& controls);

// A size no smaller than `minimum` in either direction.
window_size at_least(window_size size, window_size minimum);

// Where a control stands in a client area of `client`, given where it stands in one of
// `minimum`, all in one unit (pixels or dialog units). A client area smaller than the
// minimum counts as the minimum.
dialog_rect place(const dialog_rect& at_minimum, control_growth growth, window_size minimum,
                  window_size client);

}  // namespace vuro_plugin
