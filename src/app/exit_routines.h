#pragma once
// Routines that run once when the program ends, by End or when its last window closes.
namespace velmorin {

// Adds a routine; they run in the order they were registered.
void registerExitRoutine(void (*routine)());
// Runs every registered routine that has not run yet. Any thread.
void runExitRoutines();
// Runs the exit routines, then ends the process with code, worker threads included and
// without waiting for them.
[[noreturn]] void endProgram(int code);

// Releases the session cookie text.
void exitHook();

}  // namespace velmorin
