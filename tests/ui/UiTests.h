#pragma once

// Each test file runs its QtTest classes and returns the number of failed test functions.
namespace qel::test {

int RunMainWindowTests(int argc, char** argv);
int RunDialogTests(int argc, char** argv);

// Set in the environment of a child that only reports the main window's sizes (ProbeWindowSizes).
inline constexpr char kSizeProbe[] = "QEL_WINDOW_SIZE_PROBE";
// Prints the screen's size and whether the window's least, start and later sizes fit it; run under
// a scale factor.
int ProbeWindowSizes();

}  // namespace qel::test
