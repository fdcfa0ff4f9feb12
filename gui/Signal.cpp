#include "gui/Signal.h"

#include <algorithm>

has_slots<void>::~has_slots() {
  // Signals remove themselves from signals_ only through Untrack, which we bypass here.
  std::vector<Signal*> signals;
  signals.swap(signals_);
  for (Signal* signal : signals) signal->RemoveReceiver(this);
}

void has_slots<void>::Track(Signal* signal) {
  if (std::find(signals_.begin(), signals_.end(), signal) == signals_.end()) {
    signals_.push_back(signal);
  }
}

void has_slots<void>::Untrack(Signal* signal) {
  auto it = std::find(signals_.begin(), signals_.end(), signal);
  if (it == signals_.end()) return;
  *it = signals_.back();
  signals_.pop_back();
}

Signal::~Signal() {
  if (alive_) *alive_ = false;
  if (primary_.tracked) primary_.tracked->Untrack(this);
  for (const Connection& c : further_) {
    if (c.tracked) c.tracked->Untrack(this);
  }
}

void Signal::Connect(has_slots<void>* tracked, void* object, Handler handler) {
  if (!handler) return;
  if (tracked) tracked->Track(this);
  Connection c{tracked, object, handler};
  if (!primary_.handler && !needs_compact_) {
    primary_ = c;
  } else {
    further_.push_back(c);
  }
}

void Signal::RemoveReceiver(has_slots<void>* receiver) {
  if (emitting_ > 0) {
    // Keep positions stable for the running emission; dead entries are skipped.
    if (primary_.tracked == receiver) primary_ = {};
    for (Connection& c : further_) {
      if (c.tracked == receiver) c = {};
    }
    needs_compact_ = true;
    return;
  }
  if (primary_.tracked == receiver) {
    if (!further_.empty()) {
      primary_ = further_.back();
      further_.pop_back();
    } else {
      primary_ = {};
    }
  }
  std::erase_if(further_, [receiver](const Connection& c) { return c.tracked == receiver; });
  // The promoted connection may itself belong to the receiver.
  if (primary_.tracked == receiver) RemoveReceiver(receiver);
}

void Signal::Compact() {
  needs_compact_ = false;
  if (!primary_.handler && !further_.empty()) {
    auto first_live = std::find_if(further_.rbegin(), further_.rend(),
                                   [](const Connection& c) { return c.handler != nullptr; });
    if (first_live != further_.rend()) {
      primary_ = *first_live;
      *first_live = {};
    }
  }
  std::erase_if(further_, [](const Connection& c) { return c.handler == nullptr; });
}

void Signal::Disconnect(has_slots<void>* receiver) {
  // Always untracked: a receiver that kept remembering a signal it no longer hears would
  // reach into freed memory once the signal is gone.
  if (!receiver) return;
  RemoveReceiver(receiver);
  receiver->Untrack(this);
}

void Signal::Emit(intptr_t argument) {
  bool alive = true;
  bool* outer_alive = alive_;
  alive_ = &alive;
  ++emitting_;
  if (primary_.handler) primary_.handler(primary_.object, argument);
  // Index loop: slots may connect more handlers (appending) while we run.
  for (size_t i = 0; alive && i < further_.size(); ++i) {
    Connection c = further_[i];
    if (c.handler) c.handler(c.object, argument);
  }
  if (!alive) {
    // The signal was destroyed by a slot; tell any outer emission as well.
    if (outer_alive) *outer_alive = false;
    return;
  }
  alive_ = outer_alive;
  if (--emitting_ == 0 && needs_compact_) Compact();
}

bool Signal::IsEmpty() const {
  return ConnectionCount() == 0;
}

int32_t Signal::ConnectionCount() const {
  int32_t n = primary_.handler ? 1 : 0;
  for (const Connection& c : further_) n += c.handler ? 1 : 0;
  return n;
}
