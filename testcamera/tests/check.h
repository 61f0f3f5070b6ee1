// A tiny assertion helper for the smoke test: every check is counted and a failing one is
// printed with its place, so one run reports everything that is wrong.
#pragma once

#include <cstdio>

#include "../src/platform_headers.h"

namespace smoke {

void Record(bool ok, const char* file, int line, const char* what);
void RecordHr(HRESULT actual, bool ok, const char* file, int line, const char* what);
int Passed();
int Failed();

// Notes a section's title, printed before its first failure to keep output readable.
void Section(const char* title);

}  // namespace smoke

#define CHECK(condition) smoke::Record(static_cast<bool>(condition), __FILE__, __LINE__, #condition)
#define CHECK_HR(expression)                                                            \
  ([&]() -> HRESULT {                                                                   \
    HRESULT smoke_hr_ = (expression);                                                   \
    smoke::RecordHr(smoke_hr_, SUCCEEDED(smoke_hr_), __FILE__, __LINE__, #expression);  \
    return smoke_hr_;                                                                   \
  }())
#define CHECK_HR_EQ(expected, expression)                                              \
  ([&]() -> HRESULT {                                                                  \
    HRESULT smoke_hr_ = (expression);                                                  \
    smoke::RecordHr(smoke_hr_, smoke_hr_ == (expected), __FILE__, __LINE__,            \
                    #expression " == " #expected);                                     \
    return smoke_hr_;                                                                  \
  }())
