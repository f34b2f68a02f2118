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
    kRefuse,   // an option the program does not know: say so and end with 2
  };
  Action action = Action::kOpen;
  // kOpen: the document, or empty for the start page.
  std::wstring document_path;
  // kRefuse: the option that was refused.
  std::wstring option;
};

// The rules, over the arguments after the program's name. An argument that
// names an existing file (exists says which do) is a document, whatever it
// looks like. Of the others, "--" ends the options and every argument after
// it is a document; one that starts with "--" is an option: --help and
// --version, or refused. The first option decides. The document path is the
// only document argument; with none or several it is empty.
CommandLineRequest ParseArguments(const std::vector<std::wstring>& arguments,
                                  const std::function<bool(const std::wstring&)>& exists);

// ParseArguments over the process's own command line, the document path made
// absolute against the working directory. Neither its extension nor its
// existence is checked here.
CommandLineRequest ReadCommandLine();

// Prints what the request asks for (the usage or the version on standard
// output, a refused option on standard error) and returns the exit status.
int AnswerCommandLine(const CommandLineRequest& request);

// Opens or creates the named mutex every process of the program holds until
// it ends, and returns whether another process already held it. Failure to
// create it counts as "not held".
bool CreateProgramMutex();
