// The compile engine: one compilation as a fixed series of guarded steps, the names it
// works on, the summary it prints, and the start-up of the tpc program.
#pragma once

#include <cstdint>

namespace tarn::tpc {

// Clears Compiling and the source, output and header names.
void InitCompileState();

// Each setter copies a text of at most MAX_NAME_LENGTH characters and returns false,
// leaving the old value, when the text is missing or longer.
bool SetSourceName(const char* name);
bool SetOutputName(const char* name);
bool SetHeaderText(const char* text);
const char* SourceName();   // "" when unset
const char* OutputName();   // "" when unset
const char* HeaderText();   // "" when unset

// When a source name is set and no output name is: the source name with its extension
// (the text from the last "." after the last "/") replaced by ".tvm". False when the
// result would be too long or there is no source name.
bool SetDefaultOutputName();

// Sets the output name from option o, or derives it from the source name; message 28
// (FATAL) when the name is too long. Takes the header text from option h.
void NameOutput();

// Runs one compilation with the names set above: step 1 opens the source and the
// output, creates the outer scope and parses (the parser drives the code generator);
// step 2 closes the sources; step 3 writes the image, or names the construct that kept
// it from being written; step 4 takes the end time. A FATAL message abandons only the step it
// occurs in. Prints the summary (messages 2 to 4) at the end.
void Compile();

// Test builds inject a fault into the parse step through this hook (null: none); the IDE's
// tests use it to check that a compiler crash is reported and the IDE goes on.
void SetParseStepHook(void (*hook)());

// True after a compilation without errors that wrote no image because the code generator
// met a construct it cannot generate yet: the compilation does not count as a success, and
// tpc ends with exit code 1.
bool OutputMissing();

// Unmasks the floating-point exceptions that mean a fault (invalid operation, division
// by zero), so that they raise SIGFPE. Overflow and underflow stay masked: the lexer
// converts real constants with strtod and reports their range itself.
void EnableFloatingPointTraps();

// Goes back to the recovery point of the running step of Compile after a fault signal
// has been reported (the frames in between are abandoned); ends the process with exit
// code 1 when no step is running.
[[noreturn]] void ReturnToRecoveryPoint();

// The whole tpc program: start-up, command line, Compile, exit code.
int TpcMain(int argc, char** argv);

}  // namespace tarn::tpc
