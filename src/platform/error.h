#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace vesko {

// A failure raised by a platform service. Its what() is the description a person reads in
// the trap's message box: the reason and the path it concerns.
class Error : public std::runtime_error {
public:
    // reason: the cause alone ("Permission denied"), for lists that name the path themselves;
    // the whole description when not given.
    explicit Error(const std::string& description, std::string reason = {})
        : std::runtime_error(description)
        , reason_(reason.empty() ? description : std::move(reason))
    {
    }
    std::string description() const { return what(); }
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

// A failure to write: a file or folder that the program itself makes. A copy that cannot be
// written (a full disk, a temporary tree taken away) concerns every file after it, while a
// source file that cannot be read concerns that file alone.
class WriteError : public Error {
public:
    using Error::Error;
};

} // namespace vesko
