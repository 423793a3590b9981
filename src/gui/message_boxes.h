// The three kinds of message box on Qt: an information or question box owned by a
// dialog, the framework's application message box, and the unowned box at start-up.
// Every box is captioned with the application title.
//
// When the environment variable TIRVANE_EDITOR_TRACE is set (to anything), every box,
// once answered, also prints one line to stderr, so that tests of the whole program can
// read what it said:
//   tirvane-editor: message box kind=<owned|unowned|application> type=<n>
//   caption="<caption>" text="<text>" answer=<n>
// (one line), with backslash, double quote, CR and LF in the texts written as \\, \", \r
// and \n. The application message box has type 0.
#pragma once

#include <QWidget>

#include <string>
#include <string_view>

#include "editor/texts.h"

namespace tirv {

/// Shows a modal box over `owner` (nullptr: no owner): kQuestion gives Yes and No with
/// the question icon, kInformation OK with the information icon. True for Yes and OK.
bool ShowMessageBox(QWidget* owner, std::u16string_view text, BoxKind kind);

/// The application message box: the application title, an OK button, the warning icon.
void ShowApplicationMessageBox(QWidget* owner, std::u16string_view text);

/// The trace line of one answered box, without its line end.
std::string MessageBoxTraceLine(std::string_view kind, int type, std::u16string_view caption,
                                std::u16string_view text, int answer);

}  // namespace tirv
