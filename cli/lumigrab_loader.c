#include "lumigrab_loader.h"

#include <stdio.h>
#include <string.h>

static int Find(HMODULE module, const char* name, FARPROC* function, char* error,
                size_t errorSize) {
  *function = GetProcAddress(module, name);
  if (*function == NULL) {
    snprintf(error, errorSize, "the DLL has no function %s", name);
    return 0;
  }
  return 1;
}

#define FIND(member, name) Find(functions->module, name, (FARPROC*)&functions->member, error, errorSize)

int LoadLumigrab(const char* path, LumigrabFunctions* functions, char* error, size_t errorSize) {
  memset(functions, 0, sizeof *functions);
  functions->module = LoadLibraryA(path);
  if (functions->module == NULL) {
    snprintf(error, errorSize, "cannot load %s (error %lu)", path, GetLastError());
    return 0;
  }
  if (FIND(Init, "Dll_INIT") && FIND(Deinit, "Dll_DEINIT") &&
      FIND(GetDevicesCount, "Dll_GetDevicesCount") && FIND(GetDevicesName, "Dll_GetDevicesName") &&
      FIND(GetDevicesResolutionCount, "Dll_GetDevicesResolutionCount") &&
      FIND(GetDevicesResolution, "Dll_GetDevicesResolution") && FIND(Start, "Dll_Start") &&
      FIND(Stop, "Dll_Stop") && FIND(Pause, "Dll_Pause") && FIND(GetBitmap, "Dll_GetBitmap") &&
      FIND(ShowSetting, "Dll_ShowSetting")) {
    return 1;
  }
  UnloadLumigrab(functions);
  return 0;
}

void UnloadLumigrab(LumigrabFunctions* functions) {
  if (functions->module != NULL) FreeLibrary(functions->module);
  memset(functions, 0, sizeof *functions);
}
