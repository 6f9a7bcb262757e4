// A hostile module against the whole command set: the input scripts the module's input reports
// (whole, short, or bare read results), and every read command, a write command of each shape
// and the whole-file read run over them, the first command chosen by the input. Outputs live in
// heap blocks of exactly their size, so a byte written past one is caught; results must be the
// statuses and ranges the commands document.
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "fuzz/hostile_module.h"

namespace {

using zel::fuzz::attachModule;
using zel::fuzz::queueInputs;
using zel::fuzz::require;

bool isStatus(int32_t result)
{
    return result >= MSG_ERROR_TIMEOUT && result <= 0;
}

void requireStatus(int32_t result)
{
    require(isStatus(result));
}

void requireInRange(int32_t result, int32_t highest)
{
    require(result >= MSG_ERROR_TIMEOUT && result <= highest);
}

// A sign-extended reply byte comes back as -128 to 127, like a status when negative.
void requireSignedByte(int32_t result)
{
    require(result >= -128 && result <= 127);
}

// Heap block of exactly `count` bytes, marked so that a failed command can be seen to leave it.
struct Output {
    explicit Output(size_t count) : bytes(std::make_unique<uint8_t[]>(count)), size(count)
    {
        std::memset(bytes.get(), 0xEE, size);
    }
    template <typename T>
    T* as()
    {
        return reinterpret_cast<T*>(bytes.get());
    }
    bool untouched() const
    {
        for (size_t i = 0; i < size; ++i) {
            if (bytes[i] != 0xEE) {
                return false;
            }
        }
        return true;
    }
    std::unique_ptr<uint8_t[]> bytes;
    size_t size;
};

// A read command over outputs of these sizes; failure must leave every output as it was.
void readInto(std::initializer_list<size_t> sizes, const std::function<int32_t(std::vector<Output>&)>& call)
{
    std::vector<Output> outputs;
    for (size_t size : sizes) {
        outputs.emplace_back(size);
    }
    const int32_t result = call(outputs);
    requireStatus(result);
    if (result < 0) {
        for (const Output& output : outputs) {
            require(output.untouched());
        }
    }
}

using Command = std::function<void()>;

const std::vector<Command>& commands()
{
    static const std::vector<Command> all = {
        [] { readInto({4}, [](auto& o) { return QRN_ReadValue0015(o[0].template as<uint32_t>()); }); },
        [] { requireInRange(QRN_ReadByte0081(), 255); },
        [] { requireInRange(QRN_CheckStatus0101(), 0); },
        [] { requireInRange(QRN_CheckStatus0102(), 0); },
        [] {
            readInto({4, 4, 4, 4, 4}, [](auto& o) {
                return QRN_ReadValues0103(o[0].template as<int32_t>(), o[1].template as<int32_t>(),
                                          o[2].template as<int32_t>(), o[3].template as<int32_t>(),
                                          o[4].template as<int32_t>());
            });
        },
        [] { requireSignedByte(QRN_ReadByte0104()); },
        [] { requireInRange(QRN_CheckStatus0106(), 0); },
        [] { requireInRange(QRN_CheckStatus0107(), 0); },
        [] { readInto({1}, [](auto& o) { return QRN_GetButtonPressCount(o[0].template as<uint8_t>()); }); },
        [] {
            readInto({4, 4, 4, 4, 4, 4, 4}, [](auto& o) {
                return QRN_ReadValues0216(o[0].template as<int32_t>(), o[1].template as<int32_t>(),
                                          o[2].template as<int32_t>(), o[3].template as<int32_t>(),
                                          o[4].template as<int32_t>(), o[5].template as<int32_t>(),
                                          o[6].template as<int32_t>());
            });
        },
        [] { requireSignedByte(QRN_ReadByte0219()); },
        [] { readInto({4}, [](auto& o) { return QRN_ReadValueAt021D(7, o[0].template as<int32_t>()); }); },
        [] {
            readInto({QRN_SCAN_CONFIG_MAX, 4}, [](auto& o) {
                const int32_t result = QRN_GetScanConfig(0, o[0].template as<uint8_t>(), o[1].template as<uint32_t>());
                if (result == 0) {
                    require(*o[1].template as<uint32_t>() <= QRN_SCAN_CONFIG_MAX);
                }
                return result;
            });
        },
        [] { requireInRange(QRN_GetNumScanConfigs(), 255); },
        [] { requireInRange(QRN_ReadByte0223(), 255); },
        [] { requireSignedByte(QRN_GetPgaGain()); },
        [] { readInto({sizeof(calibCoeffs)}, [](auto& o) { return QRN_GetCalibCoeffs(o[0].template as<calibCoeffs>()); }); },
        [] {
            readInto({4, 4, 4}, [](auto& o) {
                const int32_t result = QRN_ReadValues022C(o[0].template as<int32_t>(), o[1].template as<int32_t>(),
                                                          o[2].template as<int32_t>());
                require(result == 0 || result == -1);
                return result;
            });
        },
        [] { readInto({QRN_SERIAL_NUMBER_SIZE}, [](auto& o) { return QRN_GetSerialNumber(o[0].template as<char>()); }); },
        [] { QRN_GetScanTime(); },
        [] { readInto({24}, [](auto& o) { return QRN_ReadText0245(o[0].template as<char>()); }); },
        [] { readInto({8}, [](auto& o) { return QRN_ReadValue0280(o[0].template as<uint64_t>()); }); },
        [] { readInto({4, 4}, [](auto& o) { return QRN_ReadHum(o[0].template as<int32_t>(), o[1].template as<int32_t>()); }); },
        [] {
            readInto({4, 4, 4}, [](auto& o) {
                return QRN_ReadBattVolt(o[0].template as<int32_t>(), o[1].template as<int32_t>(), o[2].template as<int32_t>());
            });
        },
        [] { readInto({4}, [](auto& o) { return QRN_ReadValue030B(o[0].template as<int32_t>()); }); },
        [] {
            readInto({1, 1, 1, 1, 1, 1, 1}, [](auto& o) {
                return QRN_ReadBytes030C(o[0].template as<uint8_t>(), o[1].template as<uint8_t>(),
                                         o[2].template as<uint8_t>(), o[3].template as<uint8_t>(),
                                         o[4].template as<uint8_t>(), o[5].template as<uint8_t>(),
                                         o[6].template as<uint8_t>());
            });
        },
        [] { requireSignedByte(QRN_ReadByte030F()); },
        [] { readInto({20}, [](auto& o) { return QRN_ReadText03EF(o[0].template as<char>()); }); },
        [] { readInto({16}, [](auto& o) { return QRN_ReadText03FD(o[0].template as<char>()); }); },
        [] {
            readInto({8, 8}, [](auto& o) {
                return QRN_ReadTextValues03FE(o[0].template as<char>(), o[1].template as<int32_t>());
            });
        },
        [] { readInto({QRN_FLASH_UNIQUE_ID_SIZE}, [](auto& o) { return QRN_GetFlashUniqueID(o[0].template as<uint8_t>()); }); },
        [] {
            readInto({4, 4, 4}, [](auto& o) {
                const int32_t result = QRN_ReadValues0402(o[0].template as<int32_t>(), o[1].template as<int32_t>(),
                                                          o[2].template as<int32_t>());
                require(result == 0 || result == -1);
                return result;
            });
        },
        [] { readInto({4}, [](auto& o) { return QRN_ReadDeviceStatus(o[0].template as<int32_t>()); }); },
        [] { readInto({20}, [](auto& o) { return QRN_ReadBlock0404(o[0].template as<uint8_t>()); }); },
        [] { requireInRange(QRN_ReadByteAt0406(3), 255); },
        [] { requireInRange(QRN_ReadWordAt0407(3), 0xFFFF); },
        [] {
            Output chunk(QRN_FILE_CHUNK_CAPACITY);
            int32_t bytesRead = -7;
            if (QRN_GetFileData(chunk.as<uint8_t>(), &bytesRead) > 0) {
                require(bytesRead >= 0 && bytesRead <= QRN_FILE_CHUNK_CAPACITY);
            } else {
                require(bytesRead == -7 && chunk.untouched());
            }
        },
        // Write answers are read from the same hostile reports.
        [] { QRN_SetBluetooth(1); },
        [] { require(QRN_Send002F() == 6); },
        [] {
            const uint8_t data[QRN_WRITE_DATA_CHUNK_MAX] = {};
            const int32_t result = QRN_WriteDataChunk(data, sizeof data);
            // A negative answer value is the module's own and comes back as it is.
            require(result == QRN_WRITE_DATA_CHUNK_MAX || result < 0);
        },
        [] {
            const calibCoeffs coeffs = {{1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}};
            QRN_SetCalibCoeffs(&coeffs);
        },
    };
    return all;
}

// The transfer the scan functions run: the size the module announces decides the buffer, and
// nothing may land past it.
void readWholeFile()
{
    const int32_t size = QRN_GetFileSize(QRN_FILE_SCAN_DATA);
    if (size <= 0 || size > (1 << 16)) {
        return;
    }
    Output file(static_cast<size_t>(size));
    const int32_t delivered = QRN_ReadFile(file.as<uint8_t>(), size);
    require(delivered >= 0 && delivered <= size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    attachModule();
    FuzzedDataProvider in(data, size);
    const size_t first = in.ConsumeIntegral<uint8_t>() % (commands().size() + 1);
    queueInputs(in, 100);

    // The first command takes the first reports; the others get what is left, then silence.
    for (size_t i = 0; i <= commands().size(); ++i) {
        const size_t at = (first + i) % (commands().size() + 1);
        if (at == commands().size()) {
            readWholeFile();
        } else {
            commands()[at]();
        }
    }
    return 0;
}
