// The wizard form on screen: fmMain's model rendered as real Win32 windows.
//
// The view only marshals. It creates one child window per control when the form loads, follows
// every change the handlers make, and hands the user's clicks, edits and close requests back to
// the model, which alone decides what changes. Positions and sizes are kept in twips by the
// model and converted here with the screen's real DPI.
#pragma once

#include <windows.h>

namespace tsy {

// Attaches the view to the wizard form before start-up shows it. Call once, before Main().
void installWin32View(HINSTANCE instance);

// The message loop for as long as the wizard window lives. It gives the window the keyboard
// interface of a dialog (Tab, Enter for the default button, Esc for Cancel, Alt with an access
// key). Returns the WM_QUIT code.
int runWizardLoop();

// Whether a close request (WM_CLOSE) to a top-level window is to be acted on: not while the
// window is disabled under a modal box, nor while it is hidden.
bool acceptsUserClose(HWND window);

}  // namespace tsy
