#pragma once

#include "exception.h"

// A failure reported by the server or met while talking to it.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};
