#pragma once

// sonabel-skin render SOURCE OUT.png [--file MAIN] [--surface N] [--size WxH] [--param NAME=VALUE]...
int RunRenderCommand(int argc, char** argv);
