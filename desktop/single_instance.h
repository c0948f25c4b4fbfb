// How a start of the desktop program finds its place: the first program of a
// configuration folder, or a later start that hands its files to it.
//
// The instance lock decides, never the socket: whoever holds the lock is the
// first program, and a start that cannot take it hands over, whatever the
// order in which two starts reach the lock and the socket. A first program
// that is still starting up listens within the time a later start keeps
// trying; one that ends meanwhile lets go of the lock, which the later start
// then takes.
#pragma once

#include <QString>
#include <memory>

#include "desktop/command_line.h"
#include "desktop/instance_client.h"
#include "desktop/instance_lock.h"

namespace tabulox {

enum class StartRole {
  kFirst,       // holds the lock (or no lock can be had here): runs the window
  kHandedOver,  // the running program took the files: this start ends
  kNotReached,  // a program holds the lock but did not answer in time
  kRefused,     // the running program is there but could not take the files
};

struct StartClaim {
  StartRole role = StartRole::kFirst;
  std::unique_ptr<InstanceLock> lock;  // for kFirst: keep it for the program's life
};

// Takes the lock at `lockPath`, or hands `paths` to the program listening on
// `serverName`, trying for at most `limitMs`.
StartClaim ClaimOrHandOver(const QString& lockPath, const QString& serverName, const StartPaths& paths,
                           int limitMs = kHandOverTimeoutMs);

// What a start that ends without a window tells the user.
QString NotReachedMessage(int limitMs = kHandOverTimeoutMs);
QString RefusedMessage();

}  // namespace tabulox
