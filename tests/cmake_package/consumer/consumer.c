#include <objbase.h>
#include <stdio.h>

#include "lumigrab.h"

int main(void) {
  CoInitialize(NULL);
  int ok = Dll_INIT() == 1 && Dll_GetDevicesCount() >= 0 && Dll_DEINIT() == 1 &&
           Dll_ShowSetting(NULL) == -1;
  CoUninitialize();
  printf("%s\n", ok ? "1 passed, 0 failed" : "0 passed, 1 failed");
  return ok ? 0 : 1;
}
