#pragma once

// While it exists, SIGTERM and SIGINT close the main form on the main loop exactly as the user
// closing it would, so the exit steps run when the session ends. Outside its lifetime the
// signals keep their default action.
class TCloseOnSignals {
 public:
  TCloseOnSignals();
  ~TCloseOnSignals();
  TCloseOnSignals(const TCloseOnSignals&) = delete;
  TCloseOnSignals& operator=(const TCloseOnSignals&) = delete;

 private:
  unsigned FTermSource;
  unsigned FInterruptSource;
};
