// The error the editor control raises for misuse of its text store, undo log and
// bookmarks; its text is shown to the user as it stands.
#pragma once

#include "platform/errors.h"

namespace velloran {

class TCodeMemoException : public VelloranError {
public:
    using VelloranError::VelloranError;
};

} // namespace velloran
