#pragma once
// The one place where errors reach the user: a modal error box per error.

#include <exception>
#include <string>
#include <string_view>

#include "text/Exception.h"

namespace tessaro {

class Exception;

// The text of the box for a thrown object that is not an Exception.
std::string FallbackErrorText(std::string_view typeName, std::string_view moduleName, const void* address,
                              std::string_view message);

// Shows the error box: the message with the period rule, the application title
// as caption, the critical icon and one OK button.
void ReportException(const Exception& error);

// Handles an error that left a handler, a tick or a chooser: an EAbort is
// dropped, an Exception is reported, anything else gets the fallback box.
void CatchException(std::exception_ptr error);

// True while an error box is open.
bool ErrorBoxOpen();

// Runs an event handler; an error leaving it goes to CatchException, so no
// exception ever crosses Qt's event loop.
template <typename Handler>
void Guarded(Handler&& handler)
{
    try {
        handler();
    } catch (...) {
        CatchException(std::current_exception());
    }
}

}  // namespace tessaro
