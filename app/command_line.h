// The entry point's first steps: what the command line asks for, and the
// program's named mutex.
#pragma once

#include <functional>
#include <string>
#include <vector>

// What the command line of the process the user started asks for.
struct CommandLineRequest {
  enum class Action {
    kOpen,     // start (or hand over to the running client) with document_path
    kHelp,     // --help: print the usage and end with 0
    kVersion,  // --version: print the version and end with 0
  };
  Action action = Action::kOpen;
  // kOpen: the document, or empty for the start page.
  std::wstring document_path;
  // kOpen: options the program does not know. They are left to the engine,
  // which takes none but --type, so the client starts all the same and says
  // that it ignored them; they are never taken for a document.
  std::vector<std::wstring> ignored_options;
};

// The rules, over the arguments after the program's name. An argument that
// names an existing file (exists says which do) is a document, whatever it
// looks like. Of the others, "--" ends the options and every argument after
// it is a document; one that starts with "--" is an option: the first of
// --help and --version decides, any other is ignored. The document path is
// the only document argument; with none or several it is empty.
CommandLineRequest ParseArguments(const std::vector<std::wstring>& arguments,
                                  const std::function<bool(const std::wstring&)>& exists);

// ParseArguments over the process's own command line, the document path made
// absolute against the working directory. Neither its extension nor its
// existence is checked here.
CommandLineRequest ReadCommandLine();

// Prints what the request asks for: the usage or the version on standard
// output, or for kOpen one line on standard error for each ignored option.
// Returns the exit status of a request that ends the process.
int AnswerCommandLine(const CommandLineRequest& request);

// Opens or creates the named mutex every process of the program holds until
// it ends, and returns whether another process already held it. Failure to
// create it counts as "not held".
bool CreateProgramMutex();
