// One libFuzzer target: PIXTRIM_FUZZ_TARGET names the function of FuzzTargets.h.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return pixtrim::fuzz::PIXTRIM_FUZZ_TARGET(data, size);
}
