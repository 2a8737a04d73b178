#pragma once
// Exports of libTarvel.so and the records that cross them. All records are
// little-endian and owned by the caller.
#include <cstdint>

#if defined(__GNUC__)
#define TARVEL_API extern "C" __attribute__((visibility("default")))
#else
#define TARVEL_API extern "C"
#endif

// ---- Records ----

// ---- Exports ----
