// What two starts of the desktop program for the same user and configuration
// folder share: the local socket the running one listens on, and the one
// message a later start sends it, its files and folders.
//
// The exchange: the running program greets each connection with
// kInstanceReady; the later start then sends its message and waits for
// kInstanceAccepted. A program that hangs never greets, so nothing is sent to
// it that it could add when it wakes up. A program that cannot take the start
// (too many connections at once, too many files waiting already) answers
// kInstanceBusy in place of either byte and closes the connection.
#pragma once

#include <QByteArray>
#include <QString>

#include "desktop/command_line.h"

namespace tabulox {

inline constexpr char kInstanceReady = 'R';
inline constexpr char kInstanceAccepted = 'A';
inline constexpr char kInstanceBusy = 'B';

// Longest message either side handles, header included: far more than any
// command line can carry, small enough to hold in memory.
inline constexpr qsizetype kMaxStartMessageBytes = 16 * 1024 * 1024;
// The fixed header: magic, version, length of the body that follows.
inline constexpr qsizetype kStartMessageHeaderBytes = 12;

// The folder of the socket: $XDG_RUNTIME_DIR when it is set, absolute and
// private (private_folder.h), else "Tabulox-<uid>" in the temporary folder,
// which the listening program creates 0700 and both sides check.
QString InstanceSocketFolder();

// An absolute socket path in InstanceSocketFolder(), unique to the user and
// to ConfigDir(). A program with another configuration folder (a test's,
// say) never meets the user's.
QString InstanceServerName();

// True when the process at the other end of a connected local socket runs as
// this user (SO_PEERCRED).
bool PeerIsThisUser(qintptr socketDescriptor);

// The message of a later start. Each list: a 32-bit count, then per path a
// 32-bit byte length and its UTF-8 bytes; numbers big-endian.
QByteArray EncodeStartMessage(const StartPaths& paths);

enum class StartMessageStatus {
  kIncomplete,  // a prefix of a valid message: wait for more bytes
  kComplete,    // `paths` holds the message
  kInvalid,     // wrong magic or version, too long, or a body that does not parse
};

// Reads the bytes received so far. Never allocates more than `bytes` holds.
StartMessageStatus DecodeStartMessage(const QByteArray& bytes, StartPaths& paths);

}  // namespace tabulox
