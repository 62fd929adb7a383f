#pragma once

#include <QString>

#include <exception>
#include <stdexcept>

// A failure the program reports in its own words: its text is a whole Turkish message that
// says what failed and where. Each layer throws its own kind, so that a caller can tell a
// printer's failure from the database's.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString &message);
    QString message() const;
};

// What the user is told of any exception: the program's own message as it stands; anything
// else (out of memory, a fault of the program) a Turkish sentence first and the system's
// English detail after it, never the detail alone.
QString failureText(const std::exception &e);
// The same for something that is not even an exception.
QString unknownFailureText();
