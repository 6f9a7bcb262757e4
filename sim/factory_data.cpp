#include "sim/factory_data.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "sim/optics.h"
#include "sim/scan_engine.h"
#include "spectrum/zelspec.h"

namespace zel::sim::factory {
namespace {

constexpr uint16_t kRepeats = 1;
constexpr uint16_t kReferenceIndex = 0xFF;
constexpr int kMatrixFullScale = 60000;
constexpr double kNodeFirstNm = 900.0;
constexpr double kNodeLastNm = 1700.0;
constexpr uint8_t kWidestWidth = 20;

template <std::size_t N>
void setText(char (&field)[N], const char *text) {
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(N, std::strlen(text)));
}

scanConfig standard(const ModuleIdentity &id, uint8_t type, uint16_t index, const char *name,
                    uint16_t startNm, uint16_t endNm, uint8_t width, uint16_t points) {
    scanConfig c;
    std::memset(&c, 0, sizeof c);
    c.scan_type = type;
    c.config_index = index;
    const auto ident = identBytes(id.serial);
    std::memcpy(c.ident, ident.data(), ident.size());
    setText(c.config_name, name);
    c.wavelength_start_nm = startNm;
    c.wavelength_end_nm = endNm;
    c.width_px = width;
    c.num_patterns = points;
    c.num_repeats = kRepeats;
    return c;
}

Bytes serialize(const void *config) {
    std::size_t size = 0;
    if (zelspec_config_serialized_size(config, &size) != ZELSPEC_PASS) {
        return {};
    }
    Bytes image(size);
    if (zelspec_config_serialize(config, image.data(), image.size()) != ZELSPEC_PASS) {
        return {};
    }
    return image;
}

sectionedScanConfig sectioned(const ModuleIdentity &id) {
    sectionedScanConfig c;
    std::memset(&c, 0, sizeof c);
    c.head.scan_type = ZELSPEC_SCAN_SECTIONED;
    c.head.config_index = 2;
    const auto ident = identBytes(id.serial);
    std::memcpy(c.head.ident, ident.data(), ident.size());
    setText(c.head.config_name, "Sectioned 1");
    c.head.num_repeats = kRepeats;
    c.head.num_sections = 2;
    c.sections[0] = scanSection{ZELSPEC_SCAN_COLUMN, 7, 900, 1295, 100, 0};
    c.sections[1] = scanSection{ZELSPEC_SCAN_HADAMARD, 9, 1300, 1700, 120, 0};
    return c;
}

Bytes referenceConfiguration(const ModuleIdentity &id) {
    const scanConfig reference = standard(id, ZELSPEC_SCAN_COLUMN, kReferenceIndex,
                                          "Factory reference", 900, 1700, 10, 228);
    return serialize(&reference);
}

}  // namespace

std::array<char, 8> identBytes(const std::wstring &serial) {
    std::array<char, 8> ident{};
    for (std::size_t i = 0; i < ident.size() && i < serial.size(); ++i) {
        ident[i] = static_cast<char>(serial[i]);
    }
    return ident;
}

std::vector<Bytes> configurations(const ModuleIdentity &id) {
    const scanConfig column = standard(id, ZELSPEC_SCAN_COLUMN, 0, "Column 1", 900, 1700, 7, 228);
    const scanConfig hadamard =
        standard(id, ZELSPEC_SCAN_HADAMARD, 1, "Hadamard 1", 900, 1700, 7, 228);
    const sectionedScanConfig sections = sectioned(id);
    const scanConfig fine = standard(id, ZELSPEC_SCAN_COLUMN, 3, "Column fine", 950, 1650, 6, 350);
    return {serialize(&column), serialize(&hadamard), serialize(&sections), serialize(&fine)};
}

std::optional<Bytes> referenceScan(const ModuleIdentity &id) {
    const Bytes config = referenceConfiguration(id);
    ScanRequest request;
    request.config = config;
    std::copy(kPatternCoeffs.begin(), kPatternCoeffs.end(), request.calibration.begin());
    std::copy(optics::kCalibration.begin(), optics::kCalibration.end(),
              request.calibration.begin() + 3);
    request.sample = [](double) { return 1.0; };
    request.gain = kReferenceGain;
    request.average = kReferenceAverage;
    request.noiseSeed = 0xFAC7'0000ULL;
    request.stamp = {26, 11, 20, 14, 30, 0, 5};
    request.ident = id.serial;
    return runScan(request);
}

Bytes referenceMatrix() {
    auto matrix = std::make_unique<refCalMatrix>();
    std::memset(matrix.get(), 0, sizeof(refCalMatrix));
    const optics::ColumnSignals white = optics::columnSignals([](double) { return 1.0; }, true);
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r) {
        matrix->widths[r] = static_cast<uint8_t>(kWidestWidth - ZELSPEC_REFCAL_WIDTHS + 1 + r);
    }
    for (int n = 0; n < ZELSPEC_REFCAL_NODES; ++n) {
        const double nm =
            kNodeFirstNm + (kNodeLastNm - kNodeFirstNm) * n / (ZELSPEC_REFCAL_NODES - 1);
        matrix->nodes[n] = nm;
        double pixel = 0.0;
        if (zelspec_calib_nm_to_pixel(nm, optics::kCalibration.data(), &pixel) != ZELSPEC_PASS) {
            pixel = nm < optics::columnWavelength(0) ? 0.0 : optics::kColumns - 1;
        }
        const int centre = static_cast<int>(pixel);
        const double widest = optics::bandSignal(white, centre, kWidestWidth);
        for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r) {
            const double band = optics::bandSignal(white, centre, matrix->widths[r]);
            matrix->matrix[r][n] =
                static_cast<uint16_t>(std::lround(kMatrixFullScale * band / widest));
        }
    }
    std::size_t size = 0;
    if (zelspec_serialized_size(matrix.get(), &size, ZELSPEC_TYPE_REFCAL_MATRIX) != ZELSPEC_PASS) {
        return {};
    }
    Bytes image(size);
    if (zelspec_refcal_matrix_serialize(matrix.get(), image.data(), image.size()) !=
        ZELSPEC_PASS) {
        return {};
    }
    return image;
}

}  // namespace zel::sim::factory
