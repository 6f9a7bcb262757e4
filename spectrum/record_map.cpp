// Record type codes: the engine type string and fixed array lengths of each record.
#include "spectrum/image_glue.h"
#include "spectrum/zelspec.h"

// Every dimension is passed as an int, as the engine reads it.
extern "C" tpl_node *zelspec_map_record(void *address, int32_t code)
{
    switch (code) {
    case ZELSPEC_TYPE_SCAN_DATA:
        return tpl_bind("S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)", address,
                        ZELSPEC_SCAN_NAME_LEN, 3, 3, ZELSPEC_IDENT_LEN, ZELSPEC_IDENT_LEN,
                        ZELSPEC_CONFIG_NAME_LEN, ZELSPEC_ADC_DATA_LEN);
    case ZELSPEC_TYPE_CONFIG:
        return tpl_bind("S(cvc#c#vvcvv)", address, ZELSPEC_IDENT_LEN, ZELSPEC_CONFIG_NAME_LEN);
    case ZELSPEC_TYPE_CALIB_COEFFS:
        return tpl_bind("S(f#f#)", address, 3, 3);
    case ZELSPEC_TYPE_REFCAL_MATRIX:
        return tpl_bind("S(c#f#v##)", address, ZELSPEC_REFCAL_WIDTHS, ZELSPEC_REFCAL_NODES,
                        ZELSPEC_REFCAL_WIDTHS, ZELSPEC_REFCAL_NODES);
    case ZELSPEC_TYPE_SECTIONED_CONFIG_HEAD:
        return tpl_bind("S(cvc#c#vc)", address, ZELSPEC_IDENT_LEN, ZELSPEC_CONFIG_NAME_LEN);
    case ZELSPEC_TYPE_SECTIONS:
        return tpl_bind("S(ccvvvv)#", address, ZELSPEC_MAX_SECTIONS);
    case ZELSPEC_TYPE_SCAN_DATA_HEAD:
        return tpl_bind("S(uc#cccccccjjvvu$(f#f#)c#vccc)", address, ZELSPEC_SCAN_NAME_LEN, 3, 3,
                        ZELSPEC_IDENT_LEN);
    case ZELSPEC_TYPE_ADC_DATA:
        return tpl_bind("i#", address, ZELSPEC_ADC_DATA_LEN);
    default:
        return nullptr;
    }
}

std::size_t zelspec::record_size(int32_t code)
{
    switch (code) {
    case ZELSPEC_TYPE_SCAN_DATA:
        return sizeof(uScanData);
    case ZELSPEC_TYPE_CONFIG:
        return sizeof(scanConfig);
    case ZELSPEC_TYPE_CALIB_COEFFS:
        return sizeof(calibCoeffs);
    case ZELSPEC_TYPE_REFCAL_MATRIX:
        return sizeof(refCalMatrix);
    case ZELSPEC_TYPE_SECTIONED_CONFIG_HEAD:
        return sizeof(sectionedScanConfigHead);
    case ZELSPEC_TYPE_SECTIONS:
        return sizeof(scanSection) * ZELSPEC_MAX_SECTIONS;
    case ZELSPEC_TYPE_SCAN_DATA_HEAD:
        return sizeof(scanDataHead);
    case ZELSPEC_TYPE_ADC_DATA:
        return sizeof(int32_t) * ZELSPEC_ADC_DATA_LEN;
    default:
        return 0;
    }
}
