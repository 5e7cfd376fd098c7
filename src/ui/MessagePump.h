#pragma once
#include <windows.h>
#include <functional>

// Dispatches every message waiting in the calling thread's queue, and returns. It runs no idle
// work. A WM_QUIT is recorded (QuitReceived) and never dropped: the application loop sees it.
void ProcessMessages();

// How a pump treats a WM_QUIT it takes. qmRecord: recorded (QuitReceived), and a wait stops.
// qmRequeue: posted again, so it stays queued for the application's loop, and a wait goes on;
// for waits that must outlast a quit (a port's worker threads ending).
enum TQuitMode { qmRecord, qmRequeue };

// Takes one message from the queue and dispatches it (after the message filter); false when the
// queue was empty. A WM_QUIT is kept as the mode says and not dispatched. The application loop
// and the modal loops are built on it, so every loop treats keys the same way.
bool DispatchOneMessage(TQuitMode mode = qmRecord);

// Sees each message before it is translated and dispatched; returning true swallows it. The
// application object installs one for keyboard shortcuts and dialog keys of its forms.
using TMessageFilter = std::function<bool(MSG& msg)>;
void SetMessageFilter(TMessageFilter filter);

bool QuitReceived();
int QuitExitCode();
// Forgets a recorded WM_QUIT (for tests and for the loop that acted on it).
void ResetQuit();

// Pumps messages until done() is true or timeoutMs passes (INFINITE: no limit), sleeping
// between batches until a message arrives or a short slice passes. Returns done().
// With qmRecord it stops early, returning done(), when a WM_QUIT is received.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, TQuitMode mode = qmRecord);

// True while a ProcessMessages or PumpUntil is running on the calling thread's stack
// (the application's idle work must not run inside one).
bool InsidePump();
