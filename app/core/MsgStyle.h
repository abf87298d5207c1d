// The style of a message box (one button set + one icon + the default button) and the
// answers, as numbers: the boxes themselves are the dialogs library's (MsgBox), and the classes
// without windows name them through a Reporter.
#pragma once

namespace msgbox {

// Button sets.
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
// Icons.
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
// Default button: the second or third of the set (the first otherwise).
constexpr int DefaultButton2 = 256;
constexpr int DefaultButton3 = 512;

// Answers.
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;

}  // namespace msgbox
