#pragma once

#include <chrono>
#include <functional>
#include <string>

// One running program per data folder: two would race on "config.xml" and the cookie store.
// The first start holds a lock, which the system drops when the process ends however it ends,
// and listens on a socket beside it; a later start asks it over that socket to bring its window
// to the front, and to open the page that start was given, and ends.
class TSingleInstance {
 public:
  enum TRole {
    irFirst,        // this process runs the window
    irRaisedFirst,  // the running program was asked to bring its window to the front
    irUnreachable,  // another program holds the data folder and did not take the request
  };

  // What a later start asks of the running program. StartupId is the desktop's start-up
  // notification id of that start, handed on so the window may take the focus.
  struct TRequest {
    std::string StartupId;
    std::string Page;  // a page to open as well, one line; empty to only raise the window
  };

  // Claims dataFolder, keeping the lock and the socket in lockFolder (created when missing).
  // Waits at most timeout for a running program to take the request. When the lock cannot be
  // taken or the socket cannot be set up, says so on stderr and answers irFirst: running
  // unguarded beats not running.
  TSingleInstance(const std::string& dataFolder, const std::string& lockFolder,
                  const TRequest& request, std::chrono::milliseconds timeout);
  ~TSingleInstance();
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  TRole Role() const { return FRole; }

  // For the first start: calls serve on the main loop with the request of every later start.
  void ListenForRequests(std::function<void(const TRequest& request)> serve);
  // Closes the socket once the window goes: a later start then waits for the lock, which is held
  // until the process ends, instead of queueing a request nobody answers.
  void StopListening();

 private:
  bool TryLock();
  bool Listen();
  bool Ask(const TRequest& request, std::chrono::steady_clock::time_point deadline);
  void ServeRequest();
  struct TSignals;

  std::string FLockPath;
  std::string FSocketPath;
  TRole FRole = irFirst;
  int FLockFd = -1;
  int FListenFd = -1;
  unsigned FSource = 0;
  std::function<void(const TRequest&)> FServe;
};
