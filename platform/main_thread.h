// The main thread owns every window, control and engine object. Other threads
// hand work to it through these calls; each sender's calls run in the order
// they were made.
#pragma once

#include <chrono>
#include <functional>

namespace platform {

// Records the calling thread as the main thread. Called once, early, by the
// toolkit (CPaintManagerUI::SetInstance) or by a test.
void InitMainThread();
bool IsMainThread();

// Runs fn on the main thread and waits for it; runs it at once when called on
// the main thread. The main thread must be running its loop (or be about to).
void RunOnMainThread(const std::function<void()>& fn);

// Queues fn for the main thread and returns at once. Calls from all threads go
// through one queue, so order is kept per sender.
void PostToMainThread(std::function<void()> fn);

// Main thread: runs fn on the main thread once every interval, the first
// time one interval from now, until it returns false.
void RepeatOnMainThread(std::chrono::milliseconds interval, std::function<bool()> fn);

// Main thread: runs work on a thread of its own and serves this thread's
// loop (input, drawing, timers) until work has returned, as a modal dialog
// does; the caller's own handling waits meanwhile.
void RunWhileServingLoop(const std::function<void()>& work);

// The message loop: Run returns when Quit is called for that level. Quit with
// no loop running makes the next Run return at once. Nested levels serve modal
// windows; QuitApplication ends the outermost level once inner ones are done.
void RunMessageLoop();
void QuitMessageLoop();      // innermost running level
void QuitApplicationLoop();  // the outermost level (PostQuitMessage)

}  // namespace platform
