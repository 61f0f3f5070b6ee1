/* lumigrab-cli: lists capture devices and their frame sizes, grabs still frames to BMP files,
 * shows a frozen picture and opens a device's settings, through the DLL's eleven functions only.
 * It doubles as the reference example of a C host program. */
#include <objbase.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "file_output.h"
#include "host_window.h"
#include "lumigrab_loader.h"

/* Exit codes: one for each kind of refusal, so scripts can tell them apart. */
enum {
  kExitOk = 0,
  kExitUsage = 1,
  kExitLoad = 2,
  kExitNoDevice = 3,
  kExitSizeNotOffered = 4,
  kExitStartRefused = 5,
  kExitGrabFailed = 6,
  kExitWriteFailed = 7,
  kExitFreezeFailed = 8,
  kExitSettingsFailed = 9,
};

static const char kUsage[] =
    "usage: lumigrab-cli [--config recording|preview | --dll PATH] COMMAND\n"
    "\n"
    "commands:\n"
    "  devices                               list the video input devices\n"
    "  formats DEVICE                        list a device's frame sizes and bit depths\n"
    "  grab DEVICE WIDTHxHEIGHT FILE.bmp [--count N] [--interval MS]\n"
    "                                        save N still frames (FILE-1.bmp ... when N > 1)\n"
    "  freeze DEVICE WIDTHxHEIGHT FILE.bmp [--wait MS]\n"
    "                                        freeze the picture, save it, check that it stays\n"
    "                                        the same after MS milliseconds, resume\n"
    "  settings DEVICE WIDTHxHEIGHT [--close-after MS]\n"
    "                                        open the device's settings dialog\n"
    "\n"
    "--config picks the DLL beside this program (<config>\\Lumigrab.dll, default preview);\n"
    "--dll names one. DEVICE is an index from 'devices'.\n"
    "exit codes: 0 done, 1 usage, 2 DLL not loaded, 3 no such device, 4 size not offered,\n"
    "            5 start refused, 6 no frame, 7 file not written, 8 freeze failed,\n"
    "            9 settings not shown\n";

typedef struct Options {
  const char* dllPath;
  const char* config;
  const char* command;
  int device;
  int width;
  int height;
  const char* file;
  int count;
  int intervalMs;
  int waitMs;
  int closeAfterMs;
} Options;

static int ParseInt(const char* text, int* value) {
  char* end = NULL;
  long parsed = strtol(text, &end, 10);
  if (text[0] == '\0' || *end != '\0' || parsed < -1000000000L || parsed > 1000000000L) return 0;
  *value = (int)parsed;
  return 1;
}

static int ParseSize(const char* text, int* width, int* height) {
  char extra;
  return sscanf(text, "%dx%d%c", width, height, &extra) == 2 && *width > 0 && *height != 0;
}

static int ParseOptions(int argc, char** argv, Options* options) {
  int positional = 0;
  memset(options, 0, sizeof *options);
  options->config = "preview";
  options->count = 1;
  options->intervalMs = 200;
  options->waitMs = 1000;
  options->closeAfterMs = -1;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : NULL;
    if (strcmp(argument, "--dll") == 0 && value) {
      options->dllPath = value, ++i;
    } else if (strcmp(argument, "--config") == 0 && value) {
      if (strcmp(value, "recording") != 0 && strcmp(value, "preview") != 0) return 0;
      options->config = value, ++i;
    } else if (strcmp(argument, "--count") == 0 && value) {
      if (!ParseInt(value, &options->count) || options->count < 1) return 0;
      ++i;
    } else if (strcmp(argument, "--interval") == 0 && value) {
      if (!ParseInt(value, &options->intervalMs) || options->intervalMs < 0) return 0;
      ++i;
    } else if (strcmp(argument, "--wait") == 0 && value) {
      if (!ParseInt(value, &options->waitMs) || options->waitMs < 0) return 0;
      ++i;
    } else if (strcmp(argument, "--close-after") == 0 && value) {
      if (!ParseInt(value, &options->closeAfterMs) || options->closeAfterMs < 0) return 0;
      ++i;
    } else if (argument[0] == '-' && argument[1] == '-') {
      return 0;
    } else if (positional == 0) {
      options->command = argument, ++positional;
    } else if (positional == 1) {
      if (!ParseInt(argument, &options->device)) return 0;
      ++positional;
    } else if (positional == 2) {
      if (!ParseSize(argument, &options->width, &options->height)) return 0;
      ++positional;
    } else if (positional == 3) {
      options->file = argument, ++positional;
    } else {
      return 0;
    }
  }
  if (options->command == NULL) return 0;
  if (strcmp(options->command, "devices") == 0) return positional == 1;
  if (strcmp(options->command, "formats") == 0) return positional == 2;
  if (strcmp(options->command, "grab") == 0 || strcmp(options->command, "freeze") == 0) {
    return positional == 4;
  }
  if (strcmp(options->command, "settings") == 0) return positional == 3;
  return 0;
}

/* The DLL of the chosen configuration, beside this program: <dir>\<config>\Lumigrab.dll. */
static void DefaultDllPath(const char* config, char* path, size_t size) {
  char program[MAX_PATH];
  DWORD length = GetModuleFileNameA(NULL, program, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) program[0] = '\0';
  char* slash = strrchr(program, '\\');
  if (slash != NULL) slash[1] = '\0';
  else program[0] = '\0';
  snprintf(path, size, "%s%s\\Lumigrab.dll", program, config);
}

static int ListDevices(const LumigrabFunctions* lumigrab) {
  int count = lumigrab->GetDevicesCount();
  if (count == 0) printf("no video input devices\n");
  for (int i = 0; i < count; ++i) {
    char name[256] = {0};
    /* One byte short of the buffer, so the copy always ends with a terminator. */
    if (lumigrab->GetDevicesName(name, (int)sizeof name - 1, i)) printf("%d: %s\n", i, name);
  }
  return kExitOk;
}

static int CheckDevice(const LumigrabFunctions* lumigrab, int device) {
  int count = lumigrab->GetDevicesCount();
  if (device < 0 || device >= count) {
    fprintf(stderr, "no device %d: there %s %d (see 'devices')\n", device,
            count == 1 ? "is" : "are", count);
    return 0;
  }
  return 1;
}

static int ListFormats(const LumigrabFunctions* lumigrab, int device) {
  if (!CheckDevice(lumigrab, device)) return kExitNoDevice;
  int count = lumigrab->GetDevicesResolutionCount(device);
  if (count == 0) printf("device %d reports no frame formats\n", device);
  for (int k = 0; k < count; ++k) {
    int width = 0, height = 0, bits = 0;
    if (lumigrab->GetDevicesResolution(device, k, &width, &height, &bits)) {
      printf("%d: %dx%d %d-bit\n", k, width, height, bits);
    }
  }
  return kExitOk;
}

static int SizeOffered(const LumigrabFunctions* lumigrab, int device, int width, int height) {
  int count = lumigrab->GetDevicesResolutionCount(device);
  for (int k = 0; k < count; ++k) {
    int w = 0, h = 0, bits = 0;
    if (lumigrab->GetDevicesResolution(device, k, &w, &h, &bits) && w == width && h == height) {
      return 1;
    }
  }
  return 0;
}

/* Starts the picture in `window`; prints why not and answers the exit code otherwise. */
static int StartPicture(const LumigrabFunctions* lumigrab, const Options* options, HWND window) {
  if (!CheckDevice(lumigrab, options->device)) return kExitNoDevice;
  if (!SizeOffered(lumigrab, options->device, options->width, options->height)) {
    fprintf(stderr, "device %d does not offer %dx%d (see 'formats %d')\n", options->device,
            options->width, options->height, options->device);
    return kExitSizeNotOffered;
  }
  if (!lumigrab->Start(window, options->device, options->width, options->height)) {
    fprintf(stderr, "the device refused to start at %dx%d\n", options->width, options->height);
    return kExitStartRefused;
  }
  return kExitOk;
}

/* Ends the picture. Freezing first lets the graph settle before it is released: Wine's reference
 * clock can hang when a graph is released while it is busy timing frames. */
static void StopPicture(const LumigrabFunctions* lumigrab) {
  lumigrab->Pause(1);
  PumpMessagesFor(400);
  lumigrab->Stop();
}

/* Takes one still frame into a new buffer; NULL when there is none. */
static unsigned char* TakeStill(const LumigrabFunctions* lumigrab, int* size) {
  *size = 0;
  if (!lumigrab->GetBitmap(size, NULL) || *size <= 0) return NULL;
  unsigned char* image = (unsigned char*)malloc((size_t)*size);
  if (image == NULL) return NULL;
  if (!lumigrab->GetBitmap(size, image)) {
    free(image);
    return NULL;
  }
  return image;
}

/* FILE.bmp for one frame; FILE-1.bmp, FILE-2.bmp... for several. */
static void FrameFileName(const char* file, int index, int count, char* name, size_t size) {
  if (count == 1) {
    snprintf(name, size, "%s", file);
    return;
  }
  const char* dot = strrchr(file, '.');
  int stem = dot != NULL ? (int)(dot - file) : (int)strlen(file);
  snprintf(name, size, "%.*s-%d%s", stem, file, index + 1, dot != NULL ? dot : "");
}

static int Grab(const LumigrabFunctions* lumigrab, const Options* options, HWND window) {
  int result = StartPicture(lumigrab, options, window);
  if (result != kExitOk) return result;
  for (int i = 0; i < options->count && result == kExitOk; ++i) {
    if (i > 0) PumpMessagesFor(options->intervalMs);
    int size = 0;
    unsigned char* image = TakeStill(lumigrab, &size);
    char name[MAX_PATH];
    FrameFileName(options->file, i, options->count, name, sizeof name);
    if (image == NULL) {
      fprintf(stderr, "no frame arrived from the device\n");
      result = kExitGrabFailed;
    } else if (!WriteFileBytes(name, image, (size_t)size)) {
      fprintf(stderr, "cannot write %s\n", name);
      result = kExitWriteFailed;
    } else {
      printf("wrote %s (%d bytes)\n", name, size);
    }
    free(image);
  }
  StopPicture(lumigrab);
  return result;
}

static int Freeze(const LumigrabFunctions* lumigrab, const Options* options, HWND window) {
  int result = StartPicture(lumigrab, options, window);
  if (result != kExitOk) return result;
  int firstSize = 0, laterSize = 0;
  unsigned char* first = NULL;
  unsigned char* later = NULL;
  /* A frame first, so the freeze holds a picture rather than the moment before the first one. */
  free(TakeStill(lumigrab, &firstSize));
  if (!lumigrab->Pause(1)) {
    fprintf(stderr, "the picture could not be frozen\n");
    result = kExitFreezeFailed;
  } else {
    first = TakeStill(lumigrab, &firstSize);
    PumpMessagesFor(options->waitMs);
    later = TakeStill(lumigrab, &laterSize);
    if (first == NULL || later == NULL) {
      fprintf(stderr, "no frozen frame could be taken\n");
      result = kExitGrabFailed;
    } else if (firstSize != laterSize || memcmp(first, later, (size_t)firstSize) != 0) {
      fprintf(stderr, "the frozen picture changed\n");
      result = kExitFreezeFailed;
    } else if (!WriteFileBytes(options->file, first, (size_t)firstSize)) {
      fprintf(stderr, "cannot write %s\n", options->file);
      result = kExitWriteFailed;
    } else {
      printf("wrote %s (%d bytes); the frozen picture stayed the same for %d ms\n", options->file,
             firstSize, options->waitMs);
    }
    if (!lumigrab->Pause(0) && result == kExitOk) {
      fprintf(stderr, "the picture could not be resumed\n");
      result = kExitFreezeFailed;
    }
  }
  free(first);
  free(later);
  StopPicture(lumigrab);
  return result;
}

static int Settings(const LumigrabFunctions* lumigrab, const Options* options, HWND window) {
  int result = StartPicture(lumigrab, options, window);
  if (result != kExitOk) return result;
  DialogCloser* closer = options->closeAfterMs >= 0 ? CloseDialogsAfter(options->closeAfterMs) : NULL;
  int shown = lumigrab->ShowSetting(window);
  StopClosingDialogs(closer);
  if (shown == 1) {
    printf("the settings dialog was shown and closed\n");
  } else {
    fprintf(stderr, "the device has no settings pages\n");
    result = kExitSettingsFailed;
  }
  StopPicture(lumigrab);
  return result;
}

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    fputs(kUsage, stderr);
    return kExitUsage;
  }
  char defaultPath[MAX_PATH + 32];
  if (options.dllPath == NULL) {
    DefaultDllPath(options.config, defaultPath, sizeof defaultPath);
    options.dllPath = defaultPath;
  }

  LumigrabFunctions lumigrab;
  char error[512];
  if (!LoadLumigrab(options.dllPath, &lumigrab, error, sizeof error)) {
    fprintf(stderr, "%s\n", error);
    return kExitLoad;
  }
  /* The host initialises COM on the thread that calls the DLL. */
  if (FAILED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED))) {
    fprintf(stderr, "COM could not be initialised\n");
    UnloadLumigrab(&lumigrab);
    return kExitLoad;
  }
  lumigrab.Init();

  int result;
  const char* command = options.command;
  if (strcmp(command, "devices") == 0) {
    result = ListDevices(&lumigrab);
  } else if (strcmp(command, "formats") == 0) {
    result = ListFormats(&lumigrab, options.device);
  } else {
    HWND window = CreateHostWindow(options.width, options.height);
    if (strcmp(command, "grab") == 0) result = Grab(&lumigrab, &options, window);
    else if (strcmp(command, "freeze") == 0) result = Freeze(&lumigrab, &options, window);
    else result = Settings(&lumigrab, &options, window);
    if (window != NULL) DestroyWindow(window);
  }

  lumigrab.Deinit();
  CoUninitialize();
  UnloadLumigrab(&lumigrab);
  return result;
}
