#pragma once
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "base/CleanHeapObject.h"

// Signals tell owners what happened to a control. A signal keeps its first connection
// inline (most have one) and the rest in an array; receivers remember which signals point
// at them so that destroying either side never leaves a dangling connection.

class Signal;

class SignalListener {
 public:
  virtual ~SignalListener() = default;
};

template <class>
class has_slots;

template <>
class has_slots<void> : public SignalListener {
 public:
  has_slots() = default;
  has_slots(const has_slots&) = delete;
  has_slots& operator=(const has_slots&) = delete;
  ~has_slots() override;

  int32_t TrackedSignalCount() const { return static_cast<int32_t>(signals_.size()); }

 private:
  friend class Signal;
  void Track(Signal* signal);
  void Untrack(Signal* signal);
  std::vector<Signal*> signals_;
};

class Signal {
 public:
  using Handler = void (*)(void* receiver, intptr_t argument);

  Signal() = default;
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;
  ~Signal();

  // Connects a handler; a tracked receiver loses the connection when it is destroyed. The
  // object pointer handed to the handler may differ from the tracked receiver (a base).
  void Connect(has_slots<void>* tracked, void* object, Handler handler);
  // Removes every connection of the receiver, which then forgets the signal.
  void Disconnect(has_slots<void>* receiver);
  void Emit(intptr_t argument);

  bool IsEmpty() const;
  int32_t ConnectionCount() const;

 private:
  friend class has_slots<void>;
  struct Connection {
    has_slots<void>* tracked = nullptr;
    void* object = nullptr;
    Handler handler = nullptr;
  };
  void RemoveReceiver(has_slots<void>* receiver);
  void Compact();

  Connection primary_;
  std::vector<Connection> further_;
  // Emission in progress: removals only clear handlers, and the arrays are compacted when
  // the outermost emission ends, so slots may disconnect or destroy receivers safely.
  int32_t emitting_ = 0;
  bool needs_compact_ = false;
  bool* alive_ = nullptr;
};

// Connects a member function void R::Method(intptr_t) of a receiver derived from
// has_slots<void>.
template <auto Method, class R>
void Connect(Signal& signal, R* receiver) {
  signal.Connect(receiver, receiver, [](void* object, intptr_t argument) {
    (static_cast<R*>(object)->*Method)(argument);
  });
}

// Connects a plain function with no receiver; such connections are not tracked.
inline void Connect(Signal& signal, void (*function)(void*, intptr_t), void* object = nullptr) {
  signal.Connect(nullptr, object, function);
}
