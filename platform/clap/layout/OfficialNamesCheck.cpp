// The headers beside our CLAP declarations (clap-wrapper's extension, the event builders) are
// also built against the official CLAP headers. Those define fewer helper macros than ours do,
// so this unit removes the ones only ours define before it includes the neighbours: a
// neighbour that relies on one of them fails to compile here, not first in someone else's build.
#include <clap/clap.h>

#undef CLAP_EXTERN_C_BEGIN
#undef CLAP_EXTERN_C_END

#include "clapwrapper/vst3.h"
#include "clapevents/ParamEvents.h"
