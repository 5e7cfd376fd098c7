#pragma once
#include <windows.h>

// The line primitives of a fake device under a dispatcher: no modem-control lines, and a device
// control block kept in memory for the test to read.
template <class Dispatcher>
class TFakeLines : public Dispatcher {
public:
  using Dispatcher::Dispatcher;

  DCB block = {};
  int setStateCalls = 0;

protected:
  int EscapeComFunction(int) override { return 0; }
  int GetComModemStatus(DWORD& status) override {
    status = 0;
    return 0;
  }
  int GetComState(DCB& dcb) override {
    dcb = block;
    return 0;
  }
  int SetComState(DCB& dcb) override {
    block = dcb;
    ++setStateCalls;
    return 0;
  }
  bool SetupCom(int, int) override { return true; }
};
