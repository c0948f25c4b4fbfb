// The sending side of the hand-over (see instance_channel.h): a later start
// gives its files and folders to the program that already runs.
#pragma once

#include <QString>

#include "desktop/command_line.h"

namespace tabulox {

// How long a later start tries to reach the running program in all: a
// program that is still starting up listens within it, one that does not
// answer within it counts as hung.
inline constexpr int kHandOverTimeoutMs = 5000;

enum class HandOverResult {
  kHandedOver,    // the running program took the paths
  kNotListening,  // no socket at the name, or one nothing listens on
  kNotSafe,       // the name is a link or no socket, or it or the peer belongs to another user
  kNoAnswer,      // connected, but no greeting or answer within the time
  kRefused,       // the running program answered that it cannot hold more waiting files
};

// Hands `paths` (empty lists just ask the program to come to the front) to
// the program listening on `name`. The name is checked without following
// links before connecting, and the peer's user id after.
HandOverResult HandOverToRunningInstance(const QString& name, const StartPaths& paths,
                                         int timeoutMs = kHandOverTimeoutMs);

}  // namespace tabulox
