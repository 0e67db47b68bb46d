// The process's message loop. The program's main hands it a factory for its application class
// (a ZAppObject) and its arguments:
//
//   int main(int argc, char** argv) { return ZTools::ZRunApplication(&CreateApplication, argc, argv); }
//
// In order: the window class is registered; the factory makes the application; its
// Initialize(commandLine, kShowNormal) runs, where the command line is argv[1..] joined with
// blanks, each argument that holds a blank, a tab or a quote put in quotes (ZAppObject splits
// it back; an argument holding both kinds of quote and a blank cannot be represented); then the
// loop dispatches messages and calls Idle whenever none waits and the main window is not
// minimized, until the quit posted by the main window's destruction; then Terminate; the class is
// unregistered and the application deleted. The application creates its window in Initialize
// (ZWindowObject::Create with no parent) and usually a ZPaneWindow child of it in its Create
// message handler.
//
// Result: the quit's code. A ZError escaping any step gives its code, any other exception -1;
// a code from Initialize or Terminate other than 0 is such a ZError. The caller turns the result
// into the process's exit status. Nothing is shown to the user at this level; failures go to
// standard error.
#pragma once

#include <cstdint>
#include <string>

namespace ZTools {

class ZAppObject;

using ZAppFactory = ZAppObject* (*)();

int32_t ZRunApplication(ZAppFactory create, int argc, char** argv);

// argv[1..] as one command line that ZAppObject::SplitCommandLine splits back.
std::string JoinCommandLine(int argc, char** argv);

}  // namespace ZTools
