// The one base of every error this program raises: it carries the text the user is shown.
#pragma once

#include <stdexcept>
#include <string>

namespace velloran {

class VelloranError : public std::runtime_error {
public:
    explicit VelloranError(const std::string& message) : std::runtime_error(message) {}
};

// A file the program reads or writes could not be read or written; the text names
// the file and carries the system's reason.
class FileError : public VelloranError {
public:
    using VelloranError::VelloranError;
};

} // namespace velloran
