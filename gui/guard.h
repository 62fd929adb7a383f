#pragma once

#include "base/failure.h"
#include "gui/messages.h"

#include <QString>

#include <exception>

class QWidget;

// Runs one user action that touches a file, the database or the printer. A failure stops
// the action and becomes a message box; the program goes on. Returns whether it succeeded.
template <class F> bool guarded(QWidget *parent, F &&action) {
    try {
        action();
        return true;
    } catch (const std::exception &e) {
        Messages::error(parent, failureText(e));
    } catch (...) {
        Messages::error(parent, unknownFailureText());
    }
    return false;
}
