#pragma once
// Why a file operation failed, in words for the user (Russian, UTF-8).
#include <string>

namespace vantrel {

// The reason for the C library error number `err`.
std::string ioErrorText(int err);

// How a file operation ended: a failure carries its reason for the user and
// the file it concerns.
struct FileResult {
    bool ok = true;
    std::string reason;  // Russian, UTF-8, when !ok
    std::string file;    // the file concerned, when !ok and named
};

}  // namespace vantrel
