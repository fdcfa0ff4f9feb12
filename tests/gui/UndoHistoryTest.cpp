#include <gtest/gtest.h>

#include <string>

#include "gui/NullAction.h"
#include "gui/UndoHistory.h"

namespace {

// Appends its letter to a log when done and removes it when undone; refuses when told to.
class Append : public UndoableAction {
 public:
  Append(std::string& log, char letter, int* deleted = nullptr, bool refuse = false)
      : log_(log), letter_(letter), deleted_(deleted), refuse_(refuse) {}
  ~Append() override {
    if (deleted_) ++*deleted_;
  }
  bool Do() override {
    if (refuse_) return false;
    log_ += letter_;
    return true;
  }
  void Undo() override { log_.pop_back(); }

 private:
  std::string& log_;
  char letter_;
  int* deleted_;
  bool refuse_;
};

TEST(UndoHistory, StartsWithANullActionThatIsCurrent) {
  UndoHistory history;
  EXPECT_NE(dynamic_cast<NullAction*>(history.First()), nullptr);
  EXPECT_EQ(history.Current(), history.First());
  EXPECT_EQ(history.Count(), 1u);
  EXPECT_FALSE(history.Undo());
  EXPECT_FALSE(history.Redo());
}

TEST(UndoHistory, UndoAndRedoWalkTheListAndANewActionDropsTheUndoneSteps) {
  UndoHistory history;
  std::string log;
  int deleted = 0;
  for (char c : std::string("abc")) history.Add(new Append(log, c, &deleted));
  EXPECT_EQ(log, "abc");
  EXPECT_TRUE(history.Undo());
  EXPECT_TRUE(history.Undo());
  EXPECT_EQ(log, "a");
  EXPECT_TRUE(history.Redo());
  EXPECT_EQ(log, "ab");
  history.Add(new Append(log, 'x', &deleted));
  EXPECT_EQ(deleted, 1) << "c is gone";
  EXPECT_FALSE(history.Redo());
  EXPECT_EQ(log, "abx");
  EXPECT_EQ(history.Count(), 4u);
  history.Add(new Append(log, 'y'), true);  // already done: not done again
  EXPECT_EQ(log, "abx");
  history.Undo();
  EXPECT_EQ(log, "ab");
}

TEST(UndoHistory, ARefusedActionIsDeletedAndLeavesTheRedoStepsAlone) {
  UndoHistory history;
  std::string log;
  int deleted = 0;
  history.Add(new Append(log, 'a'));
  history.Add(new Append(log, 'b'));
  history.Undo();
  EXPECT_FALSE(history.Add(new Append(log, 'z', &deleted, true)));
  EXPECT_EQ(deleted, 1);
  EXPECT_TRUE(history.Redo());
  EXPECT_EQ(log, "ab");
}

TEST(UndoHistory, ClearLeavesOnlyTheFirstEntryAndNothingToRedo) {
  UndoHistory history;
  std::string log;
  history.Add(new Append(log, 'a'));
  history.Add(new Append(log, 'b'));
  history.Undo();
  history.Clear();
  EXPECT_EQ(history.Count(), 1u);
  EXPECT_EQ(history.Current(), nullptr);
  EXPECT_FALSE(history.Redo());
  EXPECT_FALSE(history.Undo());
  EXPECT_EQ(log, "a");
  history.Add(new Append(log, 'c'));
  EXPECT_TRUE(history.Undo());
  EXPECT_EQ(log, "a");
  EXPECT_TRUE(history.Redo());
  EXPECT_EQ(log, "ac");
}

}  // namespace
