// The PNG reader's inflate against zlib: every stream zlib inflates within
// the limit, ours inflates to the same bytes.
#include "ui/image.h"

#include <zlib.h>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    constexpr std::size_t Limit = 1 << 16;
    std::vector<std::uint8_t> theirs(Limit);
    uLongf got = Limit;
    uLong used = uLong(size);
    const bool zlibReads = uncompress2(theirs.data(), &got, data, &used) == Z_OK;
    const auto ours = ui::inflateZlib(std::span(data, size), Limit);
    theirs.resize(got);
    if (zlibReads && (!ours || *ours != theirs)) __builtin_trap();
    return 0;
}
