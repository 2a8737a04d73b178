#pragma once
// C exports of the toolkit's libraries; each library's export list decides
// what its .so finally exports.
#if defined(__GNUC__)
#define MW_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define MW_EXPORT extern "C"
#endif
