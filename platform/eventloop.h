// The message loop: takes SDL's events, turns them into window messages and sends them to the
// windows' procedures. Pointer positions, buttons and keys are translated here, once.
#pragma once

#include <cstdint>

namespace Platform {

class Window;

enum class LoopResult {
  Dispatched,  // one event was taken and handled (possibly by ignoring it)
  Empty,       // nothing was waiting
  Quit,        // the posted quit was taken; QuitCode() holds its code
};

// Takes at most one waiting event and dispatches it.
LoopResult DispatchNext();
// Dispatches everything waiting; answers Quit when a quit was taken (it stops there).
LoopResult DispatchAll();
// True when an event is waiting.
bool EventWaiting();
// Blocks until an event is waiting (or the timeout in ms passes, when >= 0), taking nothing.
void WaitForEvent(int32_t timeoutMs = -1);

// Ends the loop: once the events queued before it are handled, DispatchNext answers Quit with
// this code.
void PostQuit(int32_t code);
int32_t QuitCode();
// Queues a close request for the window (its Close message comes on a later loop turn).
void PostClose(Window* window);

// Brings up SDL's video and timers (once; later calls answer the first result).
bool StartVideo();

}  // namespace Platform
