// Records with a distinct value in every field, and their images written out field by field.
#ifndef ZEL_TESTS_SPECTRUM_RECORD_FIXTURES_H
#define ZEL_TESTS_SPECTRUM_RECORD_FIXTURES_H

#include "spectrum/zelspec.h"
#include "image_builder.h"

#include <cstring>

namespace zelspec_test {

inline constexpr char kScanDataType[] = "S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)";
inline constexpr char kScanHeadType[] = "S(uc#cccccccjjvvu$(f#f#)c#vccc)";
inline constexpr char kConfigType[] = "S(cvc#c#vvcvv)";
inline constexpr char kConfigHeadType[] = "S(cvc#c#vc)";
inline constexpr char kSectionsType[] = "S(ccvvvv)#";
inline constexpr char kRefCalType[] = "S(c#f#v##)";

inline constexpr uint8_t kStamp[7] = {20, 12, 8, 21, 30, 5, 2};
inline constexpr double kPatternCoeffs[3] = {1.5, -2.25, 0.125};
inline constexpr double kPixelCoeffs[3] = {1700.0, -1.0, 0.0001};

inline int32_t adc_sample(int i)
{
    return (i * 7919) % 200001 - 100000;
}

template <class Record>
void fill_head(Record &r)
{
    r.version = 1;
    std::memcpy(r.scan_name, "Sample scan", 11);
    std::memcpy(r.stamp, kStamp, sizeof kStamp);
    r.system_temp = -1234;
    r.aux_i16 = 77;
    r.humidity = 4567;
    r.aux_u16 = 0xBEEF;
    r.aux_u32 = 0xDEADBEEF;
    std::memcpy(r.pattern_coeffs, kPatternCoeffs, sizeof kPatternCoeffs);
    std::memcpy(r.pixel_coeffs, kPixelCoeffs, sizeof kPixelCoeffs);
    std::memcpy(r.ident, "ZELSPEC1", 8);  // full: no terminator
    r.adc_data_length = 230;
    r.black_first = 0;
    r.black_period = 24;
    r.pga = 16;
}

inline Data &head_data(Data &d)
{
    d.u32(1).text("Sample scan", 20);
    for (uint8_t s : kStamp)
        d.u8(s);
    d.i16(-1234).i16(77).u16(4567).u16(0xBEEF).u32(0xDEADBEEF);
    for (double c : kPatternCoeffs)
        d.f64(c);
    for (double c : kPixelCoeffs)
        d.f64(c);
    return d.text("ZELSPEC1", 8).u16(230).u8(0).u8(24).u8(16);
}

inline Data &adc_data(Data &d)
{
    for (int i = 0; i < ZELSPEC_ADC_DATA_LEN; ++i)
        d.i32(adc_sample(i));
    return d;
}

// A standard Hadamard scan of configuration 0x0103.
inline uScanData standard_scan()
{
    uScanData data;
    std::memset(&data, 0, sizeof data);
    scanDataStandard &s = data.standard;
    fill_head(s);
    s.scan_type = ZELSPEC_SCAN_HADAMARD;
    s.config_index = 0x0103;
    std::memcpy(s.cfg_ident, "CFGIDENT", 8);
    std::memcpy(s.config_name, "Hadamard 900-1700", 17);
    s.wavelength_start_nm = 900;
    s.wavelength_end_nm = 1700;
    s.width_px = 7;
    s.num_patterns = 228;
    s.num_repeats = 6;
    for (int i = 0; i < ZELSPEC_ADC_DATA_LEN; ++i)
        s.adc_data[i] = adc_sample(i);
    return data;
}

inline Bytes standard_scan_image()
{
    Data d;
    head_data(d)
        .u8(ZELSPEC_SCAN_HADAMARD)
        .u16(0x0103)
        .text("CFGIDENT", 8)
        .text("Hadamard 900-1700", 40)
        .u16(900)
        .u16(1700)
        .u8(7)
        .u16(228)
        .u16(6);
    return image(kScanDataType, {20, 3, 3, 8, 8, 40, 864}, adc_data(d));
}

inline void fill_sectioned_config(sectionedScanConfig &cfg)
{
    cfg.head.scan_type = ZELSPEC_SCAN_SECTIONED;
    cfg.head.config_index = 0x0405;
    std::memcpy(cfg.head.ident, "SECTCFG", 7);
    std::memcpy(cfg.head.config_name, "Three sections", 14);
    cfg.head.num_repeats = 3;
    cfg.head.num_sections = 3;
    cfg.sections[0] = {ZELSPEC_SCAN_COLUMN, 6, 900, 1100, 50, 0x1111};
    cfg.sections[1] = {ZELSPEC_SCAN_HADAMARD, 7, 1100, 1400, 100, 0x2222};
    cfg.sections[2] = {ZELSPEC_SCAN_COLUMN, 8, 1400, 1700, 60, 0x3333};
}

inline sectionedScanConfig sectioned_config()
{
    sectionedScanConfig cfg;
    std::memset(&cfg, 0, sizeof cfg);
    fill_sectioned_config(cfg);
    return cfg;
}

inline Bytes config_head_image()
{
    Data d;
    d.u8(2).u16(0x0405).text("SECTCFG", 8).text("Three sections", 40).u16(3).u8(3);
    return image(kConfigHeadType, {8, 40}, d);
}

inline Bytes sections_image()
{
    Data d;
    d.u8(0).u8(6).u16(900).u16(1100).u16(50).u16(0x1111);
    d.u8(1).u8(7).u16(1100).u16(1400).u16(100).u16(0x2222);
    d.u8(0).u8(8).u16(1400).u16(1700).u16(60).u16(0x3333);
    for (int i = 0; i < 2 * 10; ++i)
        d.u8(0);
    return image(kSectionsType, {5}, d);
}

inline uScanData sectioned_scan()
{
    uScanData data;
    std::memset(&data, 0, sizeof data);
    fill_head(data.sectioned);
    fill_sectioned_config(data.sectioned.cfg);
    for (int i = 0; i < ZELSPEC_ADC_DATA_LEN; ++i)
        data.sectioned.adc_data[i] = adc_sample(i);
    return data;
}

inline Bytes scan_head_image()
{
    Data d;
    return image(kScanHeadType, {20, 3, 3, 8}, head_data(d));
}

inline Bytes adc_image()
{
    Data d;
    return image("i#", {864}, adc_data(d));
}

inline Bytes sectioned_scan_image()
{
    return concat({scan_head_image(), config_head_image(), sections_image(), adc_image()});
}

inline scanConfig standard_config()
{
    scanConfig cfg;
    std::memset(&cfg, 0, sizeof cfg);
    cfg.scan_type = ZELSPEC_SCAN_COLUMN;
    cfg.config_index = 0x0203;
    std::memcpy(cfg.ident, "COLIDENT", 8);
    std::memcpy(cfg.config_name, "Column 1", 8);
    cfg.wavelength_start_nm = 900;
    cfg.wavelength_end_nm = 1700;
    cfg.width_px = 6;
    cfg.num_patterns = 228;
    cfg.num_repeats = 5;
    return cfg;
}

inline refCalMatrix refcal_matrix()
{
    refCalMatrix m;
    std::memset(&m, 0, sizeof m);
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r)
        m.widths[r] = static_cast<uint8_t>(3 + r);
    for (int n = 0; n < ZELSPEC_REFCAL_NODES; ++n)
        m.nodes[n] = 900.0 + 16.5 * n;
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r)
        for (int n = 0; n < ZELSPEC_REFCAL_NODES; ++n)
            m.matrix[r][n] = static_cast<uint16_t>(r * 1000 + n);
    return m;
}

inline Bytes refcal_image()
{
    Data d;
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r)
        d.u8(static_cast<uint8_t>(3 + r));
    for (int n = 0; n < ZELSPEC_REFCAL_NODES; ++n)
        d.f64(900.0 + 16.5 * n);
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r)
        for (int n = 0; n < ZELSPEC_REFCAL_NODES; ++n)
            d.u16(static_cast<uint16_t>(r * 1000 + n));
    return image(kRefCalType, {19, 50, 19, 50}, d);
}

}  // namespace zelspec_test

#endif
