// The commands of sonabel-skin that show a skin's files: "ls" and "cat".
#pragma once

// Each takes the command's own arguments and answers the process exit status.
int RunListCommand(int argc, char** argv);  // ls SOURCE
int RunCatCommand(int argc, char** argv);   // cat SOURCE NAME
