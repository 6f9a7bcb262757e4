// Builds expected tpl images field by field, little-endian, independently of the engine: the
// magic, a zero flags byte, the total size, the type string with its zero byte, one 32-bit
// value per fixed dimension, then the data with no padding.
#ifndef ZEL_TESTS_SPECTRUM_IMAGE_BUILDER_H
#define ZEL_TESTS_SPECTRUM_IMAGE_BUILDER_H

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace zelspec_test {

using Bytes = std::vector<uint8_t>;

class Data {
public:
    Data &u8(uint8_t v)
    {
        bytes_.push_back(v);
        return *this;
    }
    Data &u16(uint16_t v) { return little(v, 2); }
    Data &i16(int16_t v) { return little(static_cast<uint16_t>(v), 2); }
    Data &u32(uint32_t v) { return little(v, 4); }
    Data &i32(int32_t v) { return little(static_cast<uint32_t>(v), 4); }
    Data &f64(double v)
    {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return little(bits, 8);
    }
    // A fixed-size text field: the characters, then zero bytes up to `width`.
    Data &text(const std::string &s, std::size_t width)
    {
        for (std::size_t i = 0; i < width; ++i)
            u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
        return *this;
    }
    const Bytes &bytes() const { return bytes_; }

private:
    Data &little(uint64_t v, int width)
    {
        for (int i = 0; i < width; ++i)
            bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes bytes_;
};

inline Bytes image(const std::string &type_string, std::initializer_list<uint32_t> dims,
                   const Data &data)
{
    const uint32_t total = static_cast<uint32_t>(8 + type_string.size() + 1 + 4 * dims.size() +
                                                 data.bytes().size());
    Data out;
    out.u8('t').u8('p').u8('l').u8(0).u32(total);
    for (char c : type_string)
        out.u8(static_cast<uint8_t>(c));
    out.u8(0);
    for (uint32_t d : dims)
        out.u32(d);
    Bytes bytes = out.bytes();
    bytes.insert(bytes.end(), data.bytes().begin(), data.bytes().end());
    return bytes;
}

inline Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

}  // namespace zelspec_test

#endif
