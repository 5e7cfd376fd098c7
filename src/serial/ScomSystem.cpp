#include "ScomSystem.h"
#include "Exception.h"
#include <memory>
#include <vector>

namespace {
struct State {
  std::unique_ptr<TScomStringResource> own;
  std::unique_ptr<TScomStringResource> errors;
  CRITICAL_SECTION listLock;
  std::vector<TScomBaseDispatcher*> list;
  unsigned long long divisor = 0;
};
State* state = nullptr;

State& Need() {
  if (!state) throw Exception("The serial link was not started");
  return *state;
}
}

void ScomStart() {
  if (state) return;
  auto s = std::make_unique<State>();
  LARGE_INTEGER frequency;
  if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart != 0 && frequency.HighPart == 0) {
    unsigned long long f = frequency.QuadPart;
    s->divisor = f / 1000 + (f % 1000 > 500 ? 1 : 0);
  }
  InitializeCriticalSection(&s->listLock);
  state = s.get();
  try {
    state->own = std::make_unique<TScomStringResource>(nullptr, "SRMGR_STRINGS");
    state->errors = std::make_unique<TScomStringResource>(nullptr, "SCOM_ERROR_STRINGS_ENGLISH");
  } catch (...) {
    state = nullptr;
    DeleteCriticalSection(&s->listLock);
    throw;
  }
  s.release();
}

void ScomEnd() {
  if (!state) return;
  State* s = state;
  state = nullptr;
  DeleteCriticalSection(&s->listLock);
  delete s;
}

bool ScomStarted() { return state != nullptr; }

const TScomStringResource* ScomOwnStrings() { return state ? state->own.get() : nullptr; }
const TScomStringResource* ScomErrorStrings() { return state ? state->errors.get() : nullptr; }
unsigned long long ScomClockDivisor() { return state ? state->divisor : 0; }

TScomDispatcherList::Lock::Lock() { EnterCriticalSection(&Need().listLock); }
TScomDispatcherList::Lock::~Lock() { LeaveCriticalSection(&state->listLock); }

int TScomDispatcherList::Add(TScomBaseDispatcher* dispatcher) {
  Lock lock;
  auto& list = state->list;
  for (size_t i = 0; i < list.size(); ++i)
    if (!list[i]) {
      list[i] = dispatcher;
      return static_cast<int>(i);
    }
  list.push_back(dispatcher);
  return static_cast<int>(list.size() - 1);
}

void TScomDispatcherList::Remove(int handle) {
  if (!state) return;  // the link has ended already: nothing is listed any more
  Lock lock;
  auto& list = state->list;
  if (handle >= 0 && handle < static_cast<int>(list.size())) list[handle] = nullptr;
  while (!list.empty() && !list.back()) list.pop_back();
}

TScomBaseDispatcher* TScomDispatcherList::At(int handle) {
  auto& list = Need().list;
  return handle >= 0 && handle < static_cast<int>(list.size()) ? list[handle] : nullptr;
}
