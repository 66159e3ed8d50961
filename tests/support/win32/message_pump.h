// Lets a test's windows handle what is waiting in the queue, as the
// program's message loop would.
#pragma once

// Handles every message waiting in the queue with the keyboard handling of
// the program's forms, then returns. A WM_QUIT is put back for the loop.
void ProcessMessages();
