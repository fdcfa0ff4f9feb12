#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/Signal.h"

namespace {

using Log = std::vector<std::string>;

// Writes "<name><argument>" for every call, then runs its optional action (which may delete
// the receiver itself, so nothing of the receiver is touched afterwards).
class Receiver : public has_slots<void> {
 public:
  Receiver(Log* log, std::string name) : log_(log), name_(std::move(name)) {}
  void OnSignal(intptr_t argument) {
    log_->push_back(name_ + std::to_string(argument));
    std::function<void()> action = action_;
    if (action) action();
  }
  void SetAction(std::function<void()> action) { action_ = std::move(action); }

 private:
  Log* log_;
  std::string name_;
  std::function<void()> action_;
};

void ConnectTo(Signal& signal, Receiver* receiver) {
  Connect<&Receiver::OnSignal>(signal, receiver);
}

// An object that owns a signal, as a control owns its "clicked".
struct Owner {
  Signal changed;
};

class SignalEmissionOrder : public ::testing::Test {
 protected:
  Log log;
  Signal signal;
  Receiver a{&log, "A"};
  Receiver b{&log, "B"};
  Receiver c{&log, "C"};
};

TEST_F(SignalEmissionOrder, PrimaryFirstThenFurtherConnectionsInTheOrderMade) {
  ConnectTo(signal, &a);
  ConnectTo(signal, &b);
  ConnectTo(signal, &c);
  signal.Emit(5);
  EXPECT_EQ(log, (Log{"A5", "B5", "C5"}));
}

TEST_F(SignalEmissionOrder, DisconnectingThePrimaryPromotesTheNewestConnection) {
  ConnectTo(signal, &a);
  ConnectTo(signal, &b);
  ConnectTo(signal, &c);
  signal.Disconnect(&a);
  signal.Emit(1);
  EXPECT_EQ(log, (Log{"C1", "B1"}));
  EXPECT_EQ(a.TrackedSignalCount(), 0);

  // Removing a further connection keeps the order of the others.
  Receiver d(&log, "D");
  ConnectTo(signal, &a);
  ConnectTo(signal, &d);
  signal.Disconnect(&a);
  signal.Emit(2);
  EXPECT_EQ(log, (Log{"C1", "B1", "C2", "B2", "D2"}));
}

class SignalWithoutConnections : public ::testing::Test {
 protected:
  Log log;
  Signal signal;
};

TEST_F(SignalWithoutConnections, EmittingCallsNothingAndTheNextConnectionIsThePrimary) {
  Receiver a(&log, "A");
  Receiver b(&log, "B");
  signal.Emit(0);
  ConnectTo(signal, &a);
  signal.Disconnect(&a);
  signal.Emit(1);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(signal.IsEmpty());
  ConnectTo(signal, &b);
  ConnectTo(signal, &a);
  signal.Emit(9);
  EXPECT_EQ(log, (Log{"B9", "A9"}));
}

class SignalReceiverLifetime : public ::testing::Test {
 protected:
  Log log;
};

TEST_F(SignalReceiverLifetime, AReceiverConnectedTwiceIsCalledTwiceAndTrackedOnce) {
  Signal signal;
  Receiver a(&log, "A");
  ConnectTo(signal, &a);
  ConnectTo(signal, &a);
  signal.Emit(1);
  EXPECT_EQ(log, (Log{"A1", "A1"}));
  EXPECT_EQ(a.TrackedSignalCount(), 1);
}

TEST_F(SignalReceiverLifetime, DestroyingAReceiverConnectedTwiceRemovesBothConnections) {
  Signal signal;
  Receiver a(&log, "A");
  Receiver c(&log, "C");
  auto twice = std::make_unique<Receiver>(&log, "T");
  ConnectTo(signal, &a);
  ConnectTo(signal, twice.get());
  ConnectTo(signal, &c);
  ConnectTo(signal, twice.get());
  twice.reset();
  signal.Emit(1);
  EXPECT_EQ(log, (Log{"A1", "C1"}));
  EXPECT_EQ(signal.ConnectionCount(), 2);
}

TEST_F(SignalReceiverLifetime, ADoublyConnectedPrimaryDoesNotSurviveThroughPromotion) {
  // The primary's removal promotes the newest connection, which is the same receiver again.
  Signal signal;
  Receiver b(&log, "B");
  auto twice = std::make_unique<Receiver>(&log, "T");
  ConnectTo(signal, twice.get());
  ConnectTo(signal, &b);
  ConnectTo(signal, twice.get());
  twice.reset();
  signal.Emit(1);
  EXPECT_EQ(log, (Log{"B1"}));
  EXPECT_EQ(signal.ConnectionCount(), 1);
}

TEST_F(SignalReceiverLifetime, DestroyingTheSignalFirstLeavesNoReferenceInTheReceiver) {
  Receiver a(&log, "A");
  Signal kept;
  ConnectTo(kept, &a);
  {
    Signal doomed;
    ConnectTo(doomed, &a);
    ConnectTo(doomed, &a);
    EXPECT_EQ(a.TrackedSignalCount(), 2);
  }
  EXPECT_EQ(a.TrackedSignalCount(), 1);
  kept.Emit(6);
  EXPECT_EQ(log, (Log{"A6"}));
}

class SignalChangesDuringEmission : public ::testing::Test {
 protected:
  Log log;
  Signal signal;
};

TEST_F(SignalChangesDuringEmission, ASlotThatDisconnectsItselfIsNotCalledAgain) {
  Receiver a(&log, "A");
  Receiver b(&log, "B");
  Receiver c(&log, "C");
  a.SetAction([&] { signal.Disconnect(&a); });
  ConnectTo(signal, &a);
  ConnectTo(signal, &b);
  ConnectTo(signal, &c);
  signal.Emit(1);
  signal.Emit(2);
  // The removed primary is replaced by the newest connection, as outside an emission.
  EXPECT_EQ(log, (Log{"A1", "B1", "C1", "C2", "B2"}));
  EXPECT_EQ(a.TrackedSignalCount(), 0);
  EXPECT_EQ(signal.ConnectionCount(), 2);
}

TEST_F(SignalChangesDuringEmission, AReceiverDisconnectedBeforeItsTurnIsSkipped) {
  Receiver a(&log, "A");
  Receiver b(&log, "B");
  Receiver c(&log, "C");
  b.SetAction([&] { signal.Disconnect(&c); });
  ConnectTo(signal, &a);
  ConnectTo(signal, &b);
  ConnectTo(signal, &c);
  signal.Emit(1);
  signal.Emit(2);
  EXPECT_EQ(log, (Log{"A1", "B1", "A2", "B2"}));
  EXPECT_EQ(c.TrackedSignalCount(), 0);
}

TEST_F(SignalChangesDuringEmission, ASlotThatDeletesItsOwnReceiverLetsTheRestRun) {
  Receiver a(&log, "A");
  Receiver c(&log, "C");
  auto* doomed = new Receiver(&log, "D");
  doomed->SetAction([doomed] { delete doomed; });
  ConnectTo(signal, &a);
  ConnectTo(signal, doomed);
  ConnectTo(signal, &c);
  signal.Emit(1);
  signal.Emit(2);
  EXPECT_EQ(log, (Log{"A1", "D1", "C1", "A2", "C2"}));
}

TEST_F(SignalChangesDuringEmission, DestroyingTheOwnerOfTheSignalStopsTheEmission) {
  auto* owner = new Owner;
  Receiver a(&log, "A");
  Receiver killer(&log, "K");
  Receiver after(&log, "Z");
  killer.SetAction([&owner] {
    delete owner;
    owner = nullptr;
  });
  ConnectTo(owner->changed, &a);
  ConnectTo(owner->changed, &killer);
  ConnectTo(owner->changed, &after);
  owner->changed.Emit(1);
  EXPECT_EQ(owner, nullptr);
  EXPECT_EQ(log, (Log{"A1", "K1"}));
  EXPECT_EQ(a.TrackedSignalCount(), 0);
  EXPECT_EQ(killer.TrackedSignalCount(), 0);
  EXPECT_EQ(after.TrackedSignalCount(), 0);
}

TEST_F(SignalChangesDuringEmission, DestroyingTheOwnerFromTheInnerOfTwoNestedEmissions) {
  auto* owner = new Owner;
  Receiver first(&log, "F");
  Receiver last(&log, "Z");
  int depth = 0;
  first.SetAction([&] {
    if (++depth == 1) {
      owner->changed.Emit(2);  // the inner emission destroys the owner
    } else {
      delete owner;
      owner = nullptr;
    }
  });
  ConnectTo(owner->changed, &first);
  ConnectTo(owner->changed, &last);
  owner->changed.Emit(1);
  // Neither the inner nor the outer emission goes on to the second receiver.
  EXPECT_EQ(log, (Log{"F1", "F2"}));
  EXPECT_EQ(last.TrackedSignalCount(), 0);
}

}  // namespace
