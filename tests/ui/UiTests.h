#pragma once

// Each test file runs its QtTest classes and returns the number of failed test functions.
namespace qel::test {

int RunConnectDialogTests(int argc, char** argv);
int RunMainWindowTests(int argc, char** argv);
int RunKeyDialogTests(int argc, char** argv);
int RunStartTests(int argc, char** argv);
int RunEndToEndTests(int argc, char** argv);

}  // namespace qel::test
