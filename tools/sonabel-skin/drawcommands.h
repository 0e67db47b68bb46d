// sonabel-skin's drawing command: the test sheet of the drawing layer, for people to look at
// after changing blend modes, frames, fonts or text layout.
#pragma once

// draw-test OUT.png: draws the sheet and writes it as a PNG. 0, or 1 after a one-line error.
int RunDrawTestCommand(int argc, char** argv);
