#ifndef LUMIGRAB_CLI_HOST_WINDOW_H
#define LUMIGRAB_CLI_HOST_WINDOW_H

#include <windows.h>

/* A top-level window whose client area is width x height, to hold the live picture. NULL when it
 * cannot be made (the picture then gets a window of its own). */
HWND CreateHostWindow(int width, int height);

/* Handles this thread's window messages for `milliseconds`, so the window stays responsive. */
void PumpMessagesFor(int milliseconds);

/* From another thread, closes the settings dialog this process shows, `milliseconds` after it
 * appears, for unattended runs. StopClosingDialogs ends that thread. */
typedef struct DialogCloser DialogCloser;
DialogCloser* CloseDialogsAfter(int milliseconds);
void StopClosingDialogs(DialogCloser* closer);

#endif
