// Scan configurations as images: one code-1 image for a standard configuration, a code-4 head
// image followed by a code-5 sections image for a sectioned one.
#include "spectrum/image_glue.h"

#include <cstdio>
#include <cstring>

namespace {

bool is_sectioned(const void *config)
{
    return *static_cast<const uint8_t *>(config) == ZELSPEC_SCAN_SECTIONED;
}

// Image sizes of a sectioned configuration's head and sections (the same for any record).
int32_t sectioned_sizes(const sectionedScanConfig &cfg, std::size_t *head, std::size_t *sections)
{
    int32_t status = zelspec::image_size(&cfg.head, ZELSPEC_TYPE_SECTIONED_CONFIG_HEAD, head);
    if (status == ZELSPEC_PASS)
        status = zelspec::image_size(cfg.sections, ZELSPEC_TYPE_SECTIONS, sections);
    return status;
}

}  // namespace

extern "C" {

int32_t zelspec_config_serialized_size(const void *config, size_t *size)
{
    if (config == nullptr || size == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (!is_sectioned(config))
        return zelspec::image_size(config, ZELSPEC_TYPE_CONFIG, size);
    std::size_t head = 0;
    std::size_t sections = 0;
    const int32_t status =
        sectioned_sizes(*static_cast<const sectionedScanConfig *>(config), &head, &sections);
    if (status == ZELSPEC_PASS)
        *size = head + sections;
    return status;
}

int32_t zelspec_config_serialize(const void *config, void *buffer, size_t size)
{
    if (config == nullptr || buffer == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (!is_sectioned(config)) {
        std::size_t needed = 0;
        const int32_t status = zelspec::image_size(config, ZELSPEC_TYPE_CONFIG, &needed);
        if (status != ZELSPEC_PASS)
            return status;
        if (size < needed)
            return ZELSPEC_ERROR_NO_MEMORY;
        return zelspec_serialize(config, buffer, size, ZELSPEC_TYPE_CONFIG);
    }
    const auto &cfg = *static_cast<const sectionedScanConfig *>(config);
    std::size_t head = 0;
    std::size_t sections = 0;
    int32_t status = sectioned_sizes(cfg, &head, &sections);
    if (status != ZELSPEC_PASS)
        return status;
    if (size < head + sections)
        return ZELSPEC_ERROR_NO_MEMORY;
    auto *out = static_cast<unsigned char *>(buffer);
    status = zelspec_serialize(&cfg.head, out, head, ZELSPEC_TYPE_SECTIONED_CONFIG_HEAD);
    if (status == ZELSPEC_PASS)
        status = zelspec_serialize(cfg.sections, out + head, sections, ZELSPEC_TYPE_SECTIONS);
    return status;
}

int32_t zelspec_config_deserialize(void *buffer, size_t size)
{
    if (buffer == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    auto *bytes = static_cast<unsigned char *>(buffer);
    if (!zelspec_config_is_sectioned(buffer, size)) {
        scanConfig cfg;
        std::memset(&cfg, 0, sizeof cfg);
        std::size_t needed = 0;
        const int32_t status = zelspec::image_size(&cfg, ZELSPEC_TYPE_CONFIG, &needed);
        if (status != ZELSPEC_PASS)
            return status;
        if (size < needed)
            return ZELSPEC_ERROR_NO_MEMORY;
        if (zelspec::decode_image(&cfg, bytes, size, ZELSPEC_TYPE_CONFIG) != ZELSPEC_PASS) {
            std::fputs("------zelspec_deserialize debug 3\n", stdout);
            return ZELSPEC_ERROR_SERIALIZE;
        }
        std::memcpy(buffer, &cfg, sizeof cfg);
        return ZELSPEC_PASS;
    }

    // Both parts are decoded into a separate record and copied in at the end, so the
    // overlapping moves of an in-place decode are not needed.
    sectionedScanConfig cfg;
    std::memset(&cfg, 0, sizeof cfg);
    std::size_t head = 0;
    std::size_t sections = 0;
    const int32_t status = sectioned_sizes(cfg, &head, &sections);
    if (status != ZELSPEC_PASS)
        return status;
    if (size < head + sections)
        return ZELSPEC_ERROR_NO_MEMORY;
    if (zelspec::decode_image(&cfg.head, bytes, head, ZELSPEC_TYPE_SECTIONED_CONFIG_HEAD) !=
        ZELSPEC_PASS) {
        std::fputs("------zelspec_deserialize debug 4\n", stdout);
        return ZELSPEC_ERROR_SERIALIZE;
    }
    if (zelspec::decode_image(cfg.sections, bytes + head, sections, ZELSPEC_TYPE_SECTIONS) !=
        ZELSPEC_PASS) {
        std::fputs("------zelspec_deserialize debug 5\n", stdout);
        return ZELSPEC_ERROR_SERIALIZE;
    }
    std::memcpy(buffer, &cfg, sizeof cfg);
    return ZELSPEC_PASS;
}

}  // extern "C"
