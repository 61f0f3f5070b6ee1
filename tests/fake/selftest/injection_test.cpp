// Failure injection must hit exactly the call a test names, count the way the README says, and
// leave the fake untouched when it answers a failure.
#include "selftest_helpers.h"

namespace lumigrab::fake {
namespace {

using Injection = FakeWorldTest;

struct AddFilterCase {
  const char* key;
  int k;
  std::vector<bool> fails;  // of the three AddFilter calls: Graph, Graph#2, Graph
};

class InjectionByKey : public FakeWorldTest, public ::testing::WithParamInterface<AddFilterCase> {};

TEST_P(InjectionByKey, FailsExactlyTheCountedCallsAndAddsNothingThen) {
  const AddFilterCase& c = GetParam();
  world.FailCall(c.key, c.k, E_ACCESSDENIED);
  ComPtr<IGraphBuilder> first, second;
  ComPtr<IBaseFilter> filters[3];
  ASSERT_EQ(S_OK, Create(platform, CLSID_FilterGraph, IID_IGraphBuilder, first));
  ASSERT_EQ(S_OK, Create(platform, CLSID_FilterGraph, IID_IGraphBuilder, second));
  for (auto& filter : filters) {
    ASSERT_EQ(S_OK, Create(platform, kClsidSampleGrabber, IID_IBaseFilter, filter));
  }
  IGraphBuilder* targets[3] = {first.Get(), second.Get(), first.Get()};
  for (int i = 0; i < 3; ++i) {
    const HRESULT result = targets[i]->AddFilter(filters[i].Get(), L"Grabber");
    const bool added = world.FakeAt<FakeFilterBase>(filters[i].Get())->Graph() != nullptr;
    if (c.fails[i]) {
      EXPECT_EQ(E_ACCESSDENIED, result) << "call " << i;
      EXPECT_FALSE(added) << "call " << i;
    } else {
      EXPECT_TRUE(SUCCEEDED(result)) << "call " << i;
      EXPECT_TRUE(added) << "call " << i;
    }
  }
  EXPECT_EQ(3, world.CountCalls("Graph.AddFilter"));
  EXPECT_EQ(1, world.CountCalls("Graph#2.AddFilter"));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, InjectionByKey,
    ::testing::Values(AddFilterCase{"Graph.AddFilter", 2, {false, true, false}},
                      AddFilterCase{"Graph.AddFilter", 0, {true, true, true}},
                      AddFilterCase{"Graph.AddFilter", 4, {false, false, false}},
                      AddFilterCase{"Graph#2.AddFilter", 1, {false, true, false}},
                      AddFilterCase{"Graph.AddFilter(x)", 0, {false, false, false}}));

TEST_F(Injection, QualifiedKeysPickOneInterfaceOrOneClass) {
  world.FailCall("Graph.QueryInterface(IVideoWindow)", 0, E_NOINTERFACE);
  world.FailCall("Platform.CreateInstance(CaptureGraphBuilder2)", 1, E_OUTOFMEMORY);
  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IVideoWindow> window;
  ComPtr<IMediaControl> control;
  ASSERT_EQ(S_OK, Create(platform, CLSID_FilterGraph, IID_IGraphBuilder, graph));
  EXPECT_EQ(E_OUTOFMEMORY,
            Create(platform, CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, builder));
  EXPECT_FALSE(builder);
  EXPECT_EQ(S_OK, Create(platform, CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, builder));
  EXPECT_EQ(E_NOINTERFACE, graph->QueryInterface(IID_IVideoWindow, window.ReceiveVoid()));
  EXPECT_FALSE(window);
  EXPECT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid()));
  EXPECT_EQ(std::vector<std::string>{"Graph.QueryInterface(IVideoWindow)"},
            world.CallsTo("Graph.QueryInterface(IVideoWindow)"));
}

TEST_F(Injection, NthCallCountsEveryJournaledCallIncludingPlatformOnes) {
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(S_OK, Create(platform, CLSID_FilterGraph, IID_IGraphBuilder, graph));
  world.FailNthCall(world.CallCount() + 2, E_FAIL);
  EXPECT_FALSE(platform.IsWindow(reinterpret_cast<HWND>(0x10)));  // call 2, unknown window
  ComPtr<IMediaControl> control;
  EXPECT_EQ(E_FAIL, graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid()));  // call 3
  EXPECT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid()));
  EXPECT_EQ(4, world.CallCount());
  EXPECT_TRUE(world.Journal()[2].injected);
  EXPECT_EQ("E_FAIL", world.Journal()[2].result);
}

TEST_F(Injection, InjectedSuccessCodeIsAnsweredAfterTheCallTookEffect) {
  world.FailCall("Graph.Run", 1, S_FALSE);
  ComPtr<IMediaControl> control;
  ASSERT_EQ(S_OK, Create(platform, CLSID_FilterGraph, IID_IMediaControl, control));
  EXPECT_EQ(S_FALSE, control->Run());
  EXPECT_EQ(State_Running, world.ObjectsOf<FakeFilterGraph>()[0]->state);
  EXPECT_EQ(S_OK, control->Stop());
}

TEST_F(Injection, PlatformCallsThatCannotFailAreJournaledAndCounted) {
  world.FailCall("Platform.Sleep", 0, E_FAIL);
  platform.Sleep(100);
  platform.OutputDebugStringA("text\x83\x47");
  EXPECT_EQ(std::vector<DWORD>{100}, platform.sleeps);
  EXPECT_EQ(std::vector<std::string>{"text\x83\x47"}, platform.debugOutput);
  EXPECT_EQ(2, world.CallCount());
}

}  // namespace
}  // namespace lumigrab::fake
