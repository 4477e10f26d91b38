// Starts one of the project's programs as a separate process, the way a user would
// from a shell, and collects its exit code and standard error.
#pragma once

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

// Runs program with the arguments (already quoted as needed); its standard error goes
// to errorFile and then into errors. Returns the exit code, -1 when it did not exit.
inline int runProgram(const std::string& program, const std::string& arguments,
                      const std::string& errorFile, std::string& errors) {
    const std::string command =
        "\"" + program + "\" " + arguments + " 2>\"" + errorFile + "\"";
#ifdef _WIN32
    // cmd.exe drops the outermost pair of quotes; the ones inside must survive.
    const int status = std::system(("\"" + command + "\"").c_str());
#else
    const int status = std::system(command.c_str());
#endif
    std::ifstream in(errorFile);
    errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
#ifdef _WIN32
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}
