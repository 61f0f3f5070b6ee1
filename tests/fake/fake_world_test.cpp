#include "fake_world_test.h"

namespace lumigrab::fake {

::testing::AssertionResult WorldIsClean(const FakeWorld& world) {
  const std::vector<std::string> live = world.LiveObjects();
  const std::vector<std::string>& problems = world.Problems();
  if (live.empty() && problems.empty()) return ::testing::AssertionSuccess();
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  for (const std::string& object : live) failure << "still referenced: " << object << "\n";
  for (const std::string& problem : problems) failure << "problem: " << problem << "\n";
  failure << "journal:\n" << world.JournalText();
  return failure;
}

void FakeWorldTest::TearDown() {
  if (destroy_) {
    std::function<void()> destroy = std::move(destroy_);
    destroy_ = nullptr;
    destroy();
  }
  const bool failedBefore = HasFailure();
  EXPECT_TRUE(WorldIsClean(world));
  // A clean world with a failed check: the journal says what the engine did.
  if (failedBefore && WorldIsClean(world)) {
    ADD_FAILURE() << "journal of the failed test:\n" << world.JournalText();
  }
}

}  // namespace lumigrab::fake
