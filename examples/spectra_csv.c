/* Lists the attached modules, opens the first (or, with --virtual, an in-process virtual module),
 * scans every stored configuration and prints one CSV of all the spectra:
 * configuration,wavelength_nm,intensity,reference,reflectance. Messages go to standard error. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <zel/module.h>

static int fail(const char *step)
{
    fprintf(stderr, "spectra_csv: %s: %s\n", step, zel_last_error());
    return 1;
}

int main(int argc, char **argv)
{
    const int useVirtual = argc > 1 && strcmp(argv[1], "--virtual") == 0;
    zel_module_info found[8];
    const int32_t count = zel_list_modules(found, 8);
    if (count < 0) {
        return fail("listing modules");
    }
    for (int32_t i = 0; i < count && i < 8; ++i) {
        fprintf(stderr, "module %s (%04x:%04x) at %s\n", found[i].serial, found[i].vendor_id,
                found[i].product_id, found[i].path);
    }

    zel_module *module = NULL;
    const int32_t opened = useVirtual ? zel_open_virtual(NULL, &module) : zel_open(&module);
    if (opened != ZEL_SUCCESS) {
        return fail("opening a module");
    }
    int32_t configs = 0;
    int32_t status = zel_get_configuration_count(module, &configs);
    zel_spectrum *spectrum = malloc(sizeof *spectrum);
    if (spectrum == NULL) {
        zel_close(module);
        return 1;
    }
    printf("configuration,wavelength_nm,intensity,reference,reflectance\n");
    for (int32_t c = 0; status == ZEL_SUCCESS && c < configs; ++c) {
        status = zel_scan(module, c, spectrum);
        for (int32_t i = 0; status == ZEL_SUCCESS && i < spectrum->length; ++i) {
            printf("%d,%.6f,%.3f,%.3f,%.6f\n", c, spectrum->wavelength_nm[i],
                   spectrum->intensity[i], spectrum->reference[i], spectrum->reflectance[i]);
        }
    }
    free(spectrum);
    zel_close(module);
    return status == ZEL_SUCCESS ? 0 : fail("scanning");
}
