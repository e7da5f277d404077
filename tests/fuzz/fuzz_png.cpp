// The PNG reader on arbitrary bytes: it may not read or write outside its buffers,
// allocate more than the pixels the file can really hold, or hang.

#include <cstddef>
#include <cstdint>

#include "formats/png_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zandrel;
    const ByteSpan bytes(data, size);
    ReadPngHeader(bytes);
    DecodePng(bytes);
    return 0;
}
