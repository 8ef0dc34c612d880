#pragma once
// The program's start, shared by main and by the tests' build of a second
// start. A first start (it takes the instance lock) shows the main window and
// opens the file named first in arguments; a later start hands that file to
// the running window and ends. Needs the QApplication; returns the exit status.

#include <string>
#include <vector>

namespace quillon::app {

class UserDialogs;

// arguments: the command line without the program's path; dialogs shows
// every box of either start.
int RunQuillon(const std::vector<std::string>& arguments, UserDialogs& dialogs);

}  // namespace quillon::app
