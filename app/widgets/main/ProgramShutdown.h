// The program's shutdown, once the main window's close has been granted (no exchange on the
// stack anywhere): main runs it after the event loop has ended, in this order --
//   1. the settings are saved (a failure is said in box 320 over the main window, or on
//      standard error when nobody is at it);
//   2. a dialled line is hung up;
//   3. the end marker is written (MarcarEstado(3));
//   4. every other window closes, and the windows opened from the main window are deleted,
//      before the objects they may still use when they close go;
//   5. the program-wide objects are released;
//   6. the main window closes.
#pragma once

class FormP;
class ProgramObjects;

void shutdownProgram(FormP& mainWindow, ProgramObjects& objects);

// What main does with its main window: runs the application's event loop until the window's
// close is granted, then the shutdown. Returns the loop's status; the shutdown runs only when
// the window's close ended the loop.
int runProgramLoop(FormP& mainWindow, ProgramObjects& objects);
