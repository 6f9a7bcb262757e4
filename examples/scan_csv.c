/* Opens the first spectrometer module, runs one scan and prints the spectrum as CSV:
 * one "wavelength,intensity" line per valid point, wavelength in nm. */
#include <stdio.h>
#include <stdlib.h>

#include <zel/zel.h>

int main(void)
{
    int32_t found = zelInitUsb();
    if (found <= 0) {
        fprintf(stderr, "no module found (%d)\n", (int)found);
        return 1;
    }
    if (zelOpenByUsb(0) != ZEL_OK) {
        fprintf(stderr, "cannot open the module\n");
        return 1;
    }

    /* About 10 KiB: on the heap rather than the stack. */
    scanResults* scan = malloc(sizeof *scan);
    int32_t status = scan != NULL ? zelGetScanResults(scan) : ZEL_ERROR_NULL_POINTER;
    if (status == ZEL_OK) {
        printf("wavelength,intensity\n");
        for (int32_t i = 0; i < scan->length && i < ZEL_MAX_POINTS; ++i) {
            printf("%.3f,%d\n", scan->wavelength[i], (int)scan->intensity[i]);
        }
    } else {
        fprintf(stderr, "scan failed (%d)\n", (int)status);
    }
    free(scan);
    zelClose(0);
    return status == ZEL_OK ? 0 : 1;
}
