// Sanitized builds check for leaks at exit. Fontconfig, which Qt uses to
// find fonts, keeps caches it never frees; every program that draws text
// defines the leak checker's default suppressions with this text:
//
//   #ifdef BINODAL_LEAK_CHECKED
//   extern "C" const char* __lsan_default_suppressions() { return kLeakSuppressions; }
//   #endif
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define BINODAL_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BINODAL_LEAK_CHECKED 1
#endif
#endif

namespace binodal {

inline constexpr const char* kLeakSuppressions = "leak:libfontconfig.so\n";

}  // namespace binodal
