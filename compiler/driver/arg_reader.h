// The argument reader: hands out the command line as pieces. An argument that starts
// with an option prefix may carry several options ("-r-i-" gives "-r" and "-i-"): every
// later prefix character that has a character after it starts a new piece. Any other
// argument is one piece, so file names such as "dir/my-prog.pas" stay whole. A piece
// that starts with "-o" or "-h" is never cut: its value runs to the end of the argument.
#pragma once

namespace tarn::tpc {

// Points the reader at argv (argument 0, the program, is skipped) with the option
// prefix characters; tpc uses "-".
void StartArguments(int argc, char** argv, const char* prefixes);
// The next piece, or null at the end of the arguments. The text stays valid until the
// next call.
const char* NextPiece();
// The next whole argument, uncut (the value of a bare "-o" or "-h"), or null.
const char* NextArgument();
// Goes back to the first argument.
void RestartArguments();

}  // namespace tarn::tpc
