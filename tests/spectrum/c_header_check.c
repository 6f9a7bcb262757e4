/* Compiles the spectrum library's chief header as C and checks that C sees the same layout. */
#include "spectrum/zelspec.h"

int zelspec_c_header_layout_ok(void)
{
    return sizeof(scanResults) == 10592 && sizeof(uScanData) == 3672 &&
           sizeof(sectionedScanConfig) == 106 && sizeof(scanConfig) == 62 &&
           offsetof(scanDataStandard, adc_data) == 172 &&
           offsetof(scanDataSectioned, adc_data) == 216 && offsetof(scanResults, length) == 10584;
}
