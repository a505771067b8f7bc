#pragma once

#include <QApplication>
#include <exception>
#include <utility>

// Shows an error that ended a handler: the application's top-level handler.
void HandleException(const std::exception& error);

// Runs one event handler under the application's guard. Handlers never catch: an error ends the
// handler at its failing step, is shown in the error box, and the message loop goes on.
// Every handler the window wires runs through here, so no exception ever unwinds through Qt's
// event dispatch. Returns whether the handler ran to its end.
template <typename Handler>
bool Guard(Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (const std::exception& error) {
        HandleException(error);
        return false;
    }
}

// The application object: the main window stands on the task bar, the loop runs until it closes.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
};
