// The smoke test's sections, run in order by smoke_main.cpp.
#pragma once

namespace smoke {

struct Options {
  bool display = true;  // an X display is there (xvfb-run): windows and renderers can be made
};

void TestPattern(const Options& options);
void TestEnumeration(const Options& options);
void TestStreamConfig(const Options& options);
void TestStreaming(const Options& options);
void TestPropertyPage(const Options& options);
void TestStandIn(const Options& options);

}  // namespace smoke
