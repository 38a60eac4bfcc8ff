#pragma once

#include <stdexcept>
#include <string>

namespace vesko {

// A failure raised by a platform service. Its what() is the description a person reads in
// the trap's message box: the reason and the path it concerns.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    std::string description() const { return what(); }
};

} // namespace vesko
