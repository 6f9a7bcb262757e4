// The engine glue: image sizes, serializing into caller buffers, deserializing in place, and the
// two peeks that recognise which serialized form a buffer holds.
#include "spectrum/image_glue.h"

#include <cstddef>
#include <cstring>

namespace {

// The format string of a standard scan data image; any other type string is split scan data.
constexpr char kStdCfgFormat[] = "S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)";

// Written over the first bytes of scan data and matrix images before loading: the magic, a zero
// flags byte and a zero low byte of the stored length (which is not compared).
constexpr unsigned char kTplHeader[5] = {'t', 'p', 'l', 0, 0};

// Room for any record a code maps onto; uScanData is the largest.
struct alignas(uScanData) RecordScratch {
    unsigned char bytes[sizeof(uScanData)] = {};
};

zelspec::Mapping map_packed(const void *record, int32_t code)
{
    // The engine only reads the record while packing and dumping.
    zelspec::Mapping root(zelspec_map_record(const_cast<void *>(record), code));
    if (root != nullptr && tpl_pack(root.get(), 0) != 0)
        return nullptr;
    return root;
}

}  // namespace

namespace zelspec {

int32_t image_size(const void *record, int32_t code, std::size_t *size)
{
    Mapping root = map_packed(record, code);
    std::size_t n = 0;
    if (root == nullptr || tpl_dump(root.get(), TPL_SIZE_ONLY, &n) != 0)
        return ZELSPEC_ERROR_SERIALIZE;
    *size = n;
    return ZELSPEC_PASS;
}

int32_t decode_image(void *record, const void *image, std::size_t size, int32_t code)
{
    Mapping root(zelspec_map_record(record, code));
    if (root == nullptr)
        return ZELSPEC_ERROR_SERIALIZE;
    if (tpl_load(root.get(), TPL_IN_MEM | TPL_ALLOW_EXCESS, image, size) != 0)
        return ZELSPEC_ERROR_SERIALIZE;
    if (tpl_unpack(root.get(), 0) != 1)
        return ZELSPEC_ERROR_SERIALIZE;
    return ZELSPEC_PASS;
}

}  // namespace zelspec

extern "C" {

int32_t zelspec_serialized_size(const void *record, size_t *size, int32_t code)
{
    if (record == nullptr || size == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    return zelspec::image_size(record, code, size);
}

int32_t zelspec_serialize(const void *record, void *buffer, size_t size, int32_t code)
{
    if (record == nullptr || buffer == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    zelspec::Mapping root = map_packed(record, code);
    if (root == nullptr || tpl_dump(root.get(), TPL_IN_MEM | TPL_OWN_BUFFER, buffer, size) != 0)
        return ZELSPEC_ERROR_SERIALIZE;
    return ZELSPEC_PASS;
}

int32_t zelspec_deserialize(void *buffer, size_t size, int32_t code)
{
    if (buffer == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    // Every image is larger than its record; a buffer that cannot even hold the record holds no
    // image, and the header below must not be written past its end.
    const std::size_t extent = zelspec::record_size(code);
    if (extent == 0 || size < extent)
        return ZELSPEC_ERROR_SERIALIZE;
    if (code == ZELSPEC_TYPE_SCAN_DATA || code == ZELSPEC_TYPE_REFCAL_MATRIX)
        std::memcpy(buffer, kTplHeader, sizeof kTplHeader);
    // Decoding into scratch first keeps the buffer intact when the image does not load.
    RecordScratch scratch;
    const int32_t status = zelspec::decode_image(scratch.bytes, buffer, size, code);
    if (status != ZELSPEC_PASS)
        return status;
    std::memcpy(buffer, scratch.bytes, extent);
    return ZELSPEC_PASS;
}

bool zelspec_config_is_sectioned(const void *buffer, size_t size)
{
    if (buffer == nullptr)
        return false;
    unsigned char first = 0;
    char *type_string = tpl_peek(TPL_IN_MEM | TPL_DATAPEEK, buffer, size, "c", &first);
    if (type_string == nullptr)
        return false;
    tpl_hook.release(type_string);
    return first == ZELSPEC_SCAN_SECTIONED;
}

bool zelspec_scan_data_is_split(const void *buffer, size_t size)
{
    if (buffer == nullptr)
        return false;
    char *type_string = tpl_peek(TPL_IN_MEM, buffer, size);
    if (type_string == nullptr)
        return false;
    const bool split = std::strcmp(type_string, kStdCfgFormat) != 0;
    tpl_hook.release(type_string);
    return split;
}

}  // extern "C"
