#pragma once
#include <string>
#include <vector>

// The testbank command: args without the program name, UTF-8. Writes the bytes for
// stdout and stderr and returns the exit code (0 ok, 1 a file or document failed,
// 2 usage error).
int RunTestbankCommand(const std::vector<std::string>& args, std::string& out, std::string& err);
