// Smoke test of the Lumigrab test camera, run inside a Wine prefix (or on Windows) where
// run-smoke.sh has registered the DLL and the extra instances listed in devices.h.
//
//   testcamera_smoke.exe [--no-display] [--only SECTION]
//
// SECTION is one of pattern, enumeration, config, streaming, standin, page (for narrowing a failure).
//
// Prints one line per failed check and ends with "N passed, N failed"; the exit code is 0
// only when nothing failed.
#include <cstring>

#include "check.h"
#include "tests.h"

namespace {

// A hung graph or modal frame must fail the run, not stall it.
DWORD WINAPI Watchdog(void*) {
  Sleep(240000);
  std::printf("FAILED: watchdog: the smoke test did not finish in 240 s\n");
  std::printf("%d passed, %d failed\n", smoke::Passed(), smoke::Failed() + 1);
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), 3);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  smoke::Options options;
  const char* only = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-display") == 0) {
      options.display = false;
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      only = argv[++i];
    } else {
      std::printf("unknown argument: %s\n", argv[i]);
      return 2;
    }
  }
  CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
  // The property frame needs an apartment with a message loop: OLE on this thread.
  if (FAILED(OleInitialize(nullptr))) {
    std::printf("OleInitialize failed\n");
    return 2;
  }
  struct Section {
    const char* name;
    void (*run)(const smoke::Options&);
  };
  const Section sections[] = {
      {"pattern", smoke::TestPattern},
      {"enumeration", smoke::TestEnumeration}, {"config", smoke::TestStreamConfig},
      {"streaming", smoke::TestStreaming},     {"standin", smoke::TestStandIn},
      {"page", smoke::TestPropertyPage},
  };
  bool ran = false;
  for (const Section& section : sections) {
    if (only != nullptr && std::strcmp(only, section.name) != 0) continue;
    section.run(options);
    ran = true;
  }
  if (!ran) std::printf("FAILED: no section named %s\n", only);
  OleUninitialize();
  std::printf("%d passed, %d failed\n", smoke::Passed(), smoke::Failed());
  std::fflush(stdout);
  return ran && smoke::Failed() == 0 && smoke::Passed() > 0 ? 0 : 1;
}
