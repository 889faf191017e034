#pragma once
// Musical and real time as signed 64-bit fixed point with 31 fraction bits.

#include "private/macros.h"
#include "private/std.h"

typedef int64_t clap_beattime;
typedef int64_t clap_sectime;

static const CLAP_CONSTEXPR int64_t CLAP_BEATTIME_FACTOR = 1LL << 31;
static const CLAP_CONSTEXPR int64_t CLAP_SECTIME_FACTOR = 1LL << 31;
