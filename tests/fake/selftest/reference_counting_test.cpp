// The leak check of every engine test rests on these: references counted across all interfaces
// of one object, references the fakes hold on each other dropped at the right moment, and misuse
// reported rather than crashing.
#include "selftest_helpers.h"

namespace lumigrab::fake {
namespace {

using ReferenceCounting = FakeWorldTest;

TEST_F(ReferenceCounting, GraphHoldsItsFiltersAndTheBuilderItsGraphUntilTheyGo) {
  world.AddVideoDevice(DeviceScript(L"Camera").With(Cap(640, 480, 24)));
  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> source;
  ASSERT_EQ(S_OK, Create(platform, CLSID_FilterGraph, IID_IGraphBuilder, graph));
  ASSERT_EQ(S_OK, Create(platform, CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, builder));
  ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.Get()));
  ASSERT_EQ(S_OK, BindFirstVideoFilter(platform, source));
  ASSERT_EQ(S_OK, graph->AddFilter(source.Get(), L"Video Capture"));

  FILTER_INFO info = {};
  ASSERT_EQ(S_OK, source->QueryFilterInfo(&info));
  EXPECT_STREQ(L"Video Capture", info.achName);
  ASSERT_NE(nullptr, info.pGraph);
  EXPECT_EQ("Graph", world.NameOf(info.pGraph));
  info.pGraph->Release();

  // One object, one count: a reference taken through IMediaControl is the graph's.
  ComPtr<IMediaControl> control;
  ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid()));
  EXPECT_EQ(3, world.ObjectsOf<FakeFilterGraph>()[0]->References());  // test twice, builder once
  control.Reset();

  source.Reset();
  graph.Reset();
  EXPECT_EQ((std::vector<std::string>{"Graph (1 reference)", "Builder (1 reference)",
                                      "Video0 (1 reference)"}),
            world.LiveObjects());
  builder.Reset();
  EXPECT_TRUE(world.LiveObjects().empty());
  EXPECT_EQ(nullptr, world.VideoDevices()[0]->filters[0]->Graph());
}

TEST_F(ReferenceCounting, OverReleaseAndUseAfterReleaseAreReportedWithoutCrashing) {
  FakeWorld local;
  IGraphBuilder* graph = nullptr;
  ASSERT_EQ(S_OK,
            local.Platform().CreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC,
                                            IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
  EXPECT_EQ(0u, graph->Release());
  EXPECT_TRUE(local.Problems().empty());
  EXPECT_EQ(0u, graph->Release());
  IBaseFilter* found = nullptr;
  graph->FindFilterByName(L"Video Capture", &found);

  ASSERT_EQ(2u, local.Problems().size());
  EXPECT_EQ("Graph released once more than it was referenced", local.Problems()[0]);
  EXPECT_NE(std::string::npos, local.Problems()[1].find("after its last reference was released"));
  EXPECT_FALSE(WorldIsClean(local));
}

TEST_F(ReferenceCounting, LeakedReferencesAreListedAndTestHeldOnesAreNot) {
  FakeWorld local;
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> grabber;
  ASSERT_EQ(S_OK, Create(local.Platform(), CLSID_FilterGraph, IID_IGraphBuilder, graph));
  ASSERT_EQ(S_OK, Create(local.Platform(), kClsidSampleGrabber, IID_IBaseFilter, grabber));
  ASSERT_EQ(S_OK, graph->AddFilter(grabber.Get(), L"GrabberVideo"));

  local.HoldForTest(graph.Get());
  EXPECT_EQ((std::vector<std::string>{"Graph (1 reference)", "Grabber (2 references)"}),
            local.LiveObjects());
  graph.Reset();
  grabber.Reset();
  // Only the test's own reference keeps the graph (and so the grabber) alive now.
  EXPECT_EQ(std::vector<std::string>{"Grabber (1 reference)"}, local.LiveObjects());
  IGraphBuilder* held = static_cast<IGraphBuilder*>(local.ObjectsOf<FakeFilterGraph>()[0]);
  local.DropForTest(held);
  EXPECT_TRUE(WorldIsClean(local));
}

TEST_F(ReferenceCounting, RunningObjectTableKeepsTheRegisteredObjectUntilRevoked) {
  ComPtr<IRunningObjectTable> table;
  ComPtr<IMoniker> name;
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(S_OK, platform.GetRunningObjectTable(0, table.Receive()));
  ASSERT_EQ(S_OK, platform.CreateItemMoniker(L"!", L"FilterGraph 1 pid 2", name.Receive()));
  ASSERT_EQ(S_OK, Create(platform, CLSID_FilterGraph, IID_IGraphBuilder, graph));
  DWORD cookie = 0;
  ASSERT_EQ(S_OK,
            table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, graph.Get(), name.Get(), &cookie));
  ASSERT_EQ(1u, platform.Rot().registrations.size());
  EXPECT_EQ(L"!FilterGraph 1 pid 2", platform.Rot().registrations[0].displayName);
  EXPECT_EQ(cookie, platform.Rot().registrations[0].cookie);
  EXPECT_NE(0u, cookie);

  graph.Reset();
  name.Reset();
  EXPECT_EQ(std::vector<std::string>({"ROT (1 reference)", "Graph (1 reference)"}),
            world.LiveObjects());
  EXPECT_EQ(E_INVALIDARG, table->Revoke(cookie + 1));
  EXPECT_EQ(S_OK, table->Revoke(cookie));
  EXPECT_EQ(E_INVALIDARG, table->Revoke(cookie));
  EXPECT_TRUE(platform.Rot().registrations.empty());
}

}  // namespace
}  // namespace lumigrab::fake
