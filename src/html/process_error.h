// The error a section's layout raises when it cannot go on: the cell that
// lays it out shows the message, drops the section and goes on with the rest.
#pragma once

#include "framework/sysutils.h"

class EProcessError : public Exception {
public:
    using Exception::Exception;
};
