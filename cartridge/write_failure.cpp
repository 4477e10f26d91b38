#include "cartridge/write_failure.h"

std::string writeFailureMessage(const std::string& file, const std::string& reason) {
    return "Could not write " + file + ": " + (reason.empty() ? "unknown error" : reason) +
           ". The file was left as it was.";
}
