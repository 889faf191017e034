#pragma once
// Linkage, export and calling-convention markers shared by every CLAP declaration.

#if defined(_WIN32) || defined(__CYGWIN__)
#define CLAP_ABI __cdecl
#else
#define CLAP_ABI
#endif

#if defined(_WIN32)
#define CLAP_EXPORT __declspec(dllexport)
#elif defined(__GNUC__) || defined(__clang__)
#define CLAP_EXPORT __attribute__((visibility("default")))
#else
#define CLAP_EXPORT
#endif

#ifdef __cplusplus
#define CLAP_CONSTEXPR constexpr
#else
#define CLAP_CONSTEXPR
#endif

#ifdef __cplusplus
#define CLAP_EXTERN_C_BEGIN extern "C" {
#define CLAP_EXTERN_C_END }
#else
#define CLAP_EXTERN_C_BEGIN
#define CLAP_EXTERN_C_END
#endif
