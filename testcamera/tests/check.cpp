#include "check.h"

namespace smoke {
namespace {

int g_passed = 0;
int g_failed = 0;
const char* g_section = "";

}  // namespace

void Section(const char* title) {
  g_section = title;
  std::printf("-- %s\n", title);
  std::fflush(stdout);
}

void Record(bool ok, const char* file, int line, const char* what) {
  if (ok) {
    ++g_passed;
    return;
  }
  ++g_failed;
  std::printf("FAILED [%s] %s:%d: %s\n", g_section, file, line, what);
  std::fflush(stdout);
}

void RecordHr(HRESULT actual, bool ok, const char* file, int line, const char* what) {
  if (ok) {
    ++g_passed;
    return;
  }
  ++g_failed;
  std::printf("FAILED [%s] %s:%d: %s (hr 0x%08lx)\n", g_section, file, line, what,
              static_cast<unsigned long>(actual));
  std::fflush(stdout);
}

int Passed() { return g_passed; }
int Failed() { return g_failed; }

}  // namespace smoke
