// The three kinds of message box on Qt: a box owned by a dialog with the caption and
// type of the original platform, the framework's application message box, and the
// unowned box at start-up.
#pragma once

#include <QWidget>

#include <string_view>

namespace tirv {

/// Shows a modal box over `owner` (nullptr: no owner). `type` 36 gives Yes and No with
/// the question icon and returns 6 or 7; 64 gives OK with the information icon. Any
/// other type shows OK with no icon. Returns 1 for OK.
int ShowMessageBox(QWidget* owner, std::u16string_view text, std::u16string_view caption, int type);

/// The application message box: the application title, an OK button, the warning icon.
void ShowApplicationMessageBox(QWidget* owner, std::u16string_view text);

}  // namespace tirv
