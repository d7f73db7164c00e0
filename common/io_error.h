#pragma once
// Why a file operation failed, in words for the user (Russian, UTF-8).
#include <string>

namespace vantrel {

// The reason for the C library error number `err`.
std::string ioErrorText(int err);

}  // namespace vantrel
