// The program's arguments and standard streams, as the command-line program uses them.
#pragma once

#include <string>
#include <vector>

namespace vorlix {

// The arguments after the program's name, as UTF-8.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Standard output writes each line as soon as it ends, so that progress reaches a pipe as it is
// made, and both standard streams write their bytes unchanged.
void PrepareStandardStreams();

}  // namespace vorlix
