#pragma once
#include <stdexcept>
#include <string>

namespace db {

// An error raised by the database engine (or by opening a database file). The
// message is the engine's own text, shown to the user as it stands.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A statement stopped on purpose by Connection::interrupt() before it finished.
class Interrupted : public Error {
public:
    using Error::Error;
};

} // namespace db
