// The entry point's first steps: the document path named on the command line
// and the program's named mutex.
#pragma once

#include <string>

// The process's only argument when it was started with exactly one argument
// besides the program name, made absolute against the working directory;
// otherwise empty. Neither its extension nor its existence is checked.
std::wstring DocumentPathFromCommandLine();

// Opens or creates the named mutex every process of the program holds until
// it ends, and returns whether another process already held it. Failure to
// create it counts as "not held".
bool CreateProgramMutex();
