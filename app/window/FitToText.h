#pragma once
// Sizes of the windows' controls that grow with their text. The windows are
// laid out in the sizes made for an 8-point font; at a larger font a label,
// combo box or button whose text no longer fits takes its size as the least
// it gets and grows just enough, and the controls after it move along.

#include <initializer_list>

class QWidget;

namespace quillon::app {

// The width control needs to show its whole text (for a combo box: its widest
// entry), never less than its width now.
[[nodiscard]] int WidthForText(const QWidget& control);

// Widens each control of a row (left to right) to WidthForText and moves each
// later one right by what the ones before it grew. The growth of the row.
int GrowRow(std::initializer_list<QWidget*> row);

}  // namespace quillon::app
