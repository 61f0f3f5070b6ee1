/* A C host that links the DLL through its import library, as most host programs do: building it
 * proves the import library matches the header's calling convention, and running it proves the
 * loader finds every function the header declares. */
#include <objbase.h>
#include <stdio.h>

#include "lumigrab.h"

int main(void) {
  int failures = 0;
  if (FAILED(CoInitialize(NULL))) return 2;
  if (Dll_INIT() != 1) { puts("Dll_INIT did not answer 1"); ++failures; }
  if (Dll_GetDevicesCount() < 0) { puts("negative device count"); ++failures; }
  if (Dll_ShowSetting(NULL) != 0) { puts("Dll_ShowSetting without a graph did not answer 0"); ++failures; }
  Dll_Stop();
  if (Dll_DEINIT() != 1) { puts("Dll_DEINIT did not answer 1"); ++failures; }
  if (Dll_ShowSetting(NULL) != -1) { puts("Dll_ShowSetting without engine did not answer -1"); ++failures; }
  CoUninitialize();
  printf("%d passed, %d failed\n", 5 - failures, failures);
  return failures == 0 ? 0 : 1;
}
