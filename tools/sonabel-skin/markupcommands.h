// The commands of sonabel-skin that read a skin's markup: "check" and "tree".
#pragma once

// Each takes the command's own arguments and answers the process exit status.
int RunCheckCommand(int argc, char** argv);  // check SOURCE [FILE]
int RunTreeCommand(int argc, char** argv);   // tree SOURCE [FILE]
