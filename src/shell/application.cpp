#include "application.h"

#include "error_box.h"
#include "exception.h"

void HandleException(const std::exception& error)
{
    const auto* own = dynamic_cast<const Exception*>(&error);
    ShowErrorBox(own ? own->Message() : QString::fromLocal8Bit(error.what()));
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(ApplicationTitle(applicationFilePath()));
    setQuitOnLastWindowClosed(true);
}
