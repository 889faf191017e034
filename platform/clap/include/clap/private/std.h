#pragma once
// Fixed-width integers, bool and size_t for the C and C++ declarations alike.

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>
#else
#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#endif
