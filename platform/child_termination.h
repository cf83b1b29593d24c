#pragma once
// Ending the children of this process from outside the code that started them, for a
// program that must stop a run it cannot otherwise interrupt (a window closed while a
// plug-in is running).
namespace platform {

// Kills every child of this process that has not been reaped yet: a child that leads a
// process group of its own is killed with its whole group, any other child alone. The
// code that started a child still reaps it and sees it ended by a signal.
void kill_child_processes();

}  // namespace platform
