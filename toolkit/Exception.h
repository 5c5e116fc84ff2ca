// The toolkit's error type. Handlers that let one escape get the standard
// error box (Application::ShowException); start-up failures end the program.
#pragma once
#include <stdexcept>
#include <string>

namespace tk {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A list read past its end (a data file with too few lines).
class EListError : public Exception {
    using Exception::Exception;
};
// Text that is no number where a number is expected.
class EConvertError : public Exception {
    using Exception::Exception;
};
// A file that cannot be opened, created or written.
class EFileError : public Exception {
    using Exception::Exception;
};

} // namespace tk
