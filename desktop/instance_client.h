// The sending side of the hand-over (see instance_channel.h): a later start
// gives its files and folders to the program that already runs.
#pragma once

#include <QString>

#include "command_line.h"

namespace tabulox {

// How long a later start waits for each answer of the running program.
inline constexpr int kHandOverTimeoutMs = 3000;

// True when the program listening on `name` took `paths` (empty lists just
// ask it to come to the front). False when none listens, when the socket
// belongs to another user, or when no answer came within `timeoutMs`: the
// caller then starts as the first program.
bool HandOverToRunningInstance(const QString& name, const StartPaths& paths, int timeoutMs = kHandOverTimeoutMs);

}  // namespace tabulox
