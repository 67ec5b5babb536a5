#pragma once

#include "import/ImportRun.h"

#include <QString>

namespace orvida::import {

// Why an import failed, in plain words, and what the user can do about it: the lines the window
// shows under the structure message. Empty for an import that succeeded or was stopped.
QString failureReason(const ImportOutcome& outcome);

} // namespace orvida::import
