// Spectra as text in the formats spectroscopists exchange (CSV, JSON, JCAMP-DX), and files
// replaced atomically.
//
// Which values each format carries:
// - CSV and JSON, no quantity given: wavelength_nm, intensity, reference, reflectance, and
//   intensity_std when the spectrum has it (more than one scan averaged on the host).
// - CSV and JSON, a quantity given: wavelength_nm and that quantity's values; intensity_std
//   follows only when the quantity is intensity.
// - JCAMP-DX carries one quantity: the one given, reflectance when none is. Intensity and
//   reference are written in ARBITRARY UNITS, reflectance as REFLECTANCE, absorbance as
//   ABSORBANCE. Points whose value is undefined (NaN: reflectance where the reference is not
//   positive, absorbance where the reflectance is not) are left out, and NPOINTS counts the rest.
//
// Undefined values: "nan" in CSV, null in JSON. Entry k of every column is point k of the
// spectrum, in the spectrum's order (the order of acquisition, which need not be ascending in
// wavelength).
//
// Numbers in CSV and JSON round-trip: parsing the text gives back the very double written.
// JCAMP-DX holds integers scaled by ##XFACTOR and ##YFACTOR: X to 1e-6 nm, Y to nine
// significant digits of the largest magnitude written.
//
// Errors: zel::Error with ZEL_E_INVALID_ARGUMENT for a spectrum whose arrays differ in length
// (or, in JCAMP-DX, that has no point with a defined value), ZEL_E_IO for a file that could not
// be written; the message names the path and the system's reason.
//
// Every function here is safe to call from several threads at once on different arguments.
#ifndef ZEL_FORMATS_FORMATS_H
#define ZEL_FORMATS_FORMATS_H

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "device/spectrum.h"

namespace zel::formats {

enum class Format { Csv, Json, Jcamp };

// "csv", "json", "jcamp".
std::string_view to_string(Format format);
// The format of one of the names above; empty for any other text.
std::optional<Format> format_from_name(std::string_view name);
// The format a file name's suffix asks for, in any letter case: .csv, .json, .jdx/.dx/.jcamp.
// Empty for any other suffix.
std::optional<Format> format_from_path(const std::filesystem::path& path);

// The spectrum in `format`; `quantity` as described at the top of this header.
std::string render(const Spectrum& spectrum, Format format,
                   std::optional<Quantity> quantity = std::nullopt);

// CSV: one `# key: value` line per metadata entry, a line of column names, then one line per
// point. Lines end with "\n"; fields are separated by commas and never quoted (control
// characters in text become '?').
std::string render_csv(const Spectrum& spectrum, std::optional<Quantity> quantity = std::nullopt);

// JSON: one object, {"metadata": {...}, "<column>": [...], ...}, columns as for CSV.
std::string render_json(const Spectrum& spectrum, std::optional<Quantity> quantity = std::nullopt);

// JCAMP-DX 5.01, one block: the required labels, the metadata as ##$ labels, and the points as
// ##PEAK TABLE=(XY..XY) pairs, which independent readers load (##XYPOINTS is not read by all of
// them). Printable ASCII only; no line longer than 80 characters (longer text values are cut).
std::string render_jcamp(const Spectrum& spectrum, Quantity quantity = Quantity::Reflectance);

// A file replaced atomically: the temporary file beside `path` is made at construction (so an
// unwritable path fails before any work is done), commit() writes the content and renames it
// over `path`. Readers see the old file or the whole new one; an existing file is replaced only
// when every step succeeded, and the temporary file is removed on every other path (including
// destruction without commit). A replaced file keeps its permission bits; a new one gets 0666
// less the umask. A symbolic link is followed to the file it names. ZEL_E_IO on failure, with
// the path and the system's reason in the message.
class AtomicFile {
public:
    explicit AtomicFile(std::filesystem::path path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Once; the object is spent afterwards, whether it succeeded or not.
    void commit(std::string_view content);

private:
    std::filesystem::path path_;       // as given, for messages
    std::filesystem::path target_;     // what is replaced
    std::filesystem::path temporary_;
    int fd_ = -1;
};

// AtomicFile(path).commit(content).
void write_file(const std::filesystem::path& path, std::string_view content);

}  // namespace zel::formats

#endif
