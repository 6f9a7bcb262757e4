// Raw scan data as images: one code-0 image for the standard form, four images (codes 6, 4, 5,
// 7) back to back for the sectioned form.
#include "spectrum/image_glue.h"

#include <cstdio>
#include <cstring>

namespace {

struct PartSizes {
    std::size_t head = 0;
    std::size_t cfg_head = 0;
    std::size_t sections = 0;
    std::size_t adc = 0;

    std::size_t total() const { return head + cfg_head + sections + adc; }
};

int32_t part_sizes(const scanDataSectioned &data, PartSizes *sizes)
{
    int32_t status = zelspec::image_size(&data, ZELSPEC_TYPE_SCAN_DATA_HEAD, &sizes->head);
    if (status == ZELSPEC_PASS)
        status = zelspec::image_size(&data.cfg.head, ZELSPEC_TYPE_SECTIONED_CONFIG_HEAD,
                                     &sizes->cfg_head);
    if (status == ZELSPEC_PASS)
        status = zelspec::image_size(data.cfg.sections, ZELSPEC_TYPE_SECTIONS, &sizes->sections);
    if (status == ZELSPEC_PASS)
        status = zelspec::image_size(data.adc_data, ZELSPEC_TYPE_ADC_DATA, &sizes->adc);
    return status;
}

bool known_form(int32_t form)
{
    return form == ZELSPEC_FORM_STANDARD || form == ZELSPEC_FORM_SECTIONED;
}

int32_t write_sectioned(const scanDataSectioned &data, unsigned char *buffer, std::size_t size)
{
    PartSizes sizes;
    int32_t status = part_sizes(data, &sizes);
    if (status != ZELSPEC_PASS)
        return status;
    if (size < sizes.total())
        return ZELSPEC_ERROR_NO_MEMORY;
    status = zelspec_serialize(&data, buffer, sizes.head, ZELSPEC_TYPE_SCAN_DATA_HEAD);
    buffer += sizes.head;
    if (status == ZELSPEC_PASS)
        status = zelspec_serialize(&data.cfg.head, buffer, sizes.cfg_head,
                                   ZELSPEC_TYPE_SECTIONED_CONFIG_HEAD);
    buffer += sizes.cfg_head;
    if (status == ZELSPEC_PASS)
        status = zelspec_serialize(data.cfg.sections, buffer, sizes.sections,
                                   ZELSPEC_TYPE_SECTIONS);
    buffer += sizes.sections;
    if (status == ZELSPEC_PASS)
        status = zelspec_serialize(data.adc_data, buffer, sizes.adc, ZELSPEC_TYPE_ADC_DATA);
    return status;
}

// The four images are decoded into a separate record, copied in only when all of them loaded;
// the buffer is untouched by a failure.
int32_t read_sectioned(unsigned char *buffer, std::size_t size)
{
    uScanData data;
    std::memset(&data, 0, sizeof data);
    scanDataSectioned &rec = data.sectioned;
    PartSizes sizes;
    const int32_t status = part_sizes(rec, &sizes);
    if (status != ZELSPEC_PASS)
        return status;
    if (size < sizes.total())
        return ZELSPEC_ERROR_NO_MEMORY;

    struct Part {
        void *record;
        std::size_t size;
        int32_t code;
        const char *failure;
    };
    const Part parts[] = {
        {&rec, sizes.head, ZELSPEC_TYPE_SCAN_DATA_HEAD, "------zelspec_deserialize debug 7\n"},
        {&rec.cfg.head, sizes.cfg_head, ZELSPEC_TYPE_SECTIONED_CONFIG_HEAD,
         "------zelspec_deserialize debug 8\n"},
        {rec.cfg.sections, sizes.sections, ZELSPEC_TYPE_SECTIONS,
         "------zelspec_deserialize debug 9\n"},
        {rec.adc_data, sizes.adc, ZELSPEC_TYPE_ADC_DATA, "------zelspec_deserialize debug 10\n"},
    };
    const unsigned char *image = buffer;
    for (const Part &part : parts) {
        if (zelspec::decode_image(part.record, image, part.size, part.code) != ZELSPEC_PASS) {
            std::fputs(part.failure, stdout);
            return ZELSPEC_ERROR_SERIALIZE;
        }
        image += part.size;
    }
    std::memcpy(buffer, &data, sizeof data);
    return ZELSPEC_PASS;
}

}  // namespace

extern "C" {

int32_t zelspec_scan_data_part_sizes(const uScanData *data, size_t *size_data_head,
                                     size_t *size_cfg_head, size_t *size_sect,
                                     size_t *size_adc_data)
{
    if (data == nullptr || size_data_head == nullptr || size_cfg_head == nullptr ||
        size_sect == nullptr || size_adc_data == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    PartSizes sizes;
    const int32_t status = part_sizes(data->sectioned, &sizes);
    if (status != ZELSPEC_PASS)
        return status;
    *size_data_head = sizes.head;
    *size_cfg_head = sizes.cfg_head;
    *size_sect = sizes.sections;
    *size_adc_data = sizes.adc;
    return ZELSPEC_PASS;
}

int32_t zelspec_scan_data_serialized_size_form(const uScanData *data, int32_t form, size_t *size)
{
    if (data == nullptr || size == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (!known_form(form))
        return ZELSPEC_ERROR_INVALID_INPUT;
    if (form == ZELSPEC_FORM_STANDARD)
        return zelspec::image_size(data, ZELSPEC_TYPE_SCAN_DATA, size);
    PartSizes sizes;
    const int32_t status = part_sizes(data->sectioned, &sizes);
    if (status == ZELSPEC_PASS)
        *size = sizes.total();
    return status;
}

int32_t zelspec_scan_data_serialized_size(const uScanData *data, size_t *size)
{
    if (data == nullptr || size == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    return zelspec_scan_data_serialized_size_form(data, zelspec_scan_form_of(data), size);
}

int32_t zelspec_scan_write_data_form(const uScanData *data, int32_t form, void *buffer,
                                     size_t size)
{
    if (data == nullptr || buffer == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (!known_form(form))
        return ZELSPEC_ERROR_INVALID_INPUT;
    if (form == ZELSPEC_FORM_SECTIONED)
        return write_sectioned(data->sectioned, static_cast<unsigned char *>(buffer), size);
    std::size_t needed = 0;
    const int32_t status = zelspec::image_size(data, ZELSPEC_TYPE_SCAN_DATA, &needed);
    if (status != ZELSPEC_PASS)
        return status;
    if (size < needed)
        return ZELSPEC_ERROR_NO_MEMORY;
    return zelspec_serialize(data, buffer, size, ZELSPEC_TYPE_SCAN_DATA);
}

int32_t zelspec_scan_write_data(const uScanData *data, void *buffer, size_t size)
{
    if (data == nullptr || buffer == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    return zelspec_scan_write_data_form(data, zelspec_scan_form_of(data), buffer, size);
}

int32_t zelspec_scan_read_data_form(void *buffer, size_t size, int32_t *form)
{
    if (buffer == nullptr || form == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (zelspec_scan_data_is_split(buffer, size)) {
        const int32_t status = read_sectioned(static_cast<unsigned char *>(buffer), size);
        if (status == ZELSPEC_PASS)
            *form = ZELSPEC_FORM_SECTIONED;
        return status;
    }
    if (zelspec_deserialize(buffer, size, ZELSPEC_TYPE_SCAN_DATA) != ZELSPEC_PASS) {
        std::fputs("------zelspec_deserialize debug 6\n", stdout);
        return ZELSPEC_ERROR_SERIALIZE;
    }
    *form = ZELSPEC_FORM_STANDARD;
    return ZELSPEC_PASS;
}

int32_t zelspec_scan_read_data(void *buffer, size_t size)
{
    int32_t form = ZELSPEC_FORM_STANDARD;
    if (buffer == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    return zelspec_scan_read_data_form(buffer, size, &form);
}

int32_t zelspec_refcal_matrix_serialize(const refCalMatrix *matrix, void *buffer, size_t size)
{
    if (matrix == nullptr || buffer == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    return zelspec_serialize(matrix, buffer, size, ZELSPEC_TYPE_REFCAL_MATRIX);
}

}  // extern "C"
